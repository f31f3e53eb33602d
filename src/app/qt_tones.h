#pragma once
// Tones through the default sound output: a sine of the given frequency and
// duration, 16-bit PCM made in memory.
//
// tone() returns at once.  A tone asked for while another plays waits for it,
// as consecutive beeps follow one another; at most a few wait, further ones
// are dropped, so a burst of replies cannot build up seconds of beeping.
// Without a sound device nothing is played and nothing waits.
#include "ui/tones.h"

#include <QAudioFormat>
#include <QBuffer>
#include <QObject>

#include <deque>
#include <memory>

class QAudioSink;

class QtTones final : public QObject, public Tones {
public:
    static constexpr size_t kMaxWaiting = 3;

    explicit QtTones(QObject* parent = nullptr);
    ~QtTones() override;

    void tone(int frequency_hz, int duration_ms) override;

    // A tone is sounding now.
    bool playing() const { return sink_ != nullptr; }
    size_t waiting() const { return queue_.size(); }

    // The samples of one tone in `format` (Int16, any rate and channel count).
    static QByteArray sine(const QAudioFormat& format, int frequency_hz, int duration_ms);

private:
    struct Pending {
        int hz;
        int ms;
    };
    void play_next();
    void finished();

    std::deque<Pending> queue_;
    std::unique_ptr<QAudioSink> sink_;
    QBuffer buffer_;
};
