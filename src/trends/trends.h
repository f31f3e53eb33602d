#pragma once
// The readings over time, heard from the state replies the exchange cycle
// gets anyway (no request of its own goes on the line): the chart's ring, the
// spread of the raw reading, and the CSV recording.
#include "trends/csv_recorder.h"
#include "trends/stability.h"
#include "trends/trend_ring.h"

#include <QByteArray>
#include <QDateTime>

#include <functional>
#include <vector>

struct Configurator;

class Trends {
public:
    // Replies further apart than this have a gap between them: two missed
    // seconds are an operation's reply taking the tick, more is silence.
    static constexpr qint64 kGapMs = 3500;

    // Listens to `c`'s state replies (replayed ones from a server log are not
    // readings of now and are left out).
    explicit Trends(Configurator& c, int capacity = TrendRing::kDayAtOnePerSecond);
    Trends(const Trends&) = delete;
    Trends& operator=(const Trends&) = delete;

    // One state reply, heard at `when`.
    void heard(const QByteArray& reply, const QDateTime& when);

    // Starts appending to `path`; the refusal in the user's words, or empty.
    QString start_recording(const QString& path);
    void stop_recording();

    // Called after each point and each change of the recording.
    void on_change(std::function<void()> listener) { listeners_.push_back(std::move(listener)); }

    const TrendRing& ring() const { return ring_; }
    // The serial number the window showed while the traced sensor was polled
    // ("0" or empty when it was not read).
    const QString& serial() const { return serial_; }
    const Stability& stability() const { return stability_; }
    const CsvRecorder& recorder() const { return recorder_; }
    // Why the last recording stopped by itself; empty while it runs or after a stop.
    const QString& recording_error() const { return recording_error_; }

private:
    void changed();

    Configurator& c_;
    TrendRing ring_;
    Stability stability_;
    CsvRecorder recorder_;
    QString recording_error_;
    QString serial_;
    std::vector<std::function<void()>> listeners_;
};
