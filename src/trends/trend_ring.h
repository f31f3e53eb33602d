#pragma once
// The readings over time: a ring of at most a day of state replies at one a
// second, and its reduction to what a chart of a given width can show.
#include <QPointF>
#include <QtGlobal>

#include <cstdint>
#include <vector>

enum class TrendSeries : uint8_t { Level = 0, Current = 1, Temperature = 2 };
inline constexpr int kTrendSeriesCount = 3;

// One state reply.  A field the reply did not carry is missing from its
// series (`has`), which draws as a gap.
struct TrendPoint {
    qint64 t_ms = 0; // local wall-clock time, never before the previous point's
    uint32_t current = 0;
    uint16_t level = 0;
    int16_t temperature = 0;
    uint8_t has = 0;         // bit (1 << series) set when that field came
    bool gap_before = false; // no line from the previous point to this one
    uint8_t address = 0;

    bool carries(TrendSeries s) const { return (has & (1u << unsigned(s))) != 0; }
    double value(TrendSeries s) const;
};

class TrendRing {
public:
    static constexpr int kDayAtOnePerSecond = 24 * 60 * 60;

    explicit TrendRing(int capacity = kDayAtOnePerSecond);

    // Appends; when full the oldest point makes room.  The point after a
    // dropped one keeps drawing from where the ring now starts.
    void add(const TrendPoint& p);
    void clear();

    int size() const { return size_; }
    int capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    // 0 is the oldest point kept.
    const TrendPoint& at(int i) const { return buf_[size_t((head_ + i) % capacity_)]; }
    const TrendPoint& back() const { return at(size_ - 1); }
    // The first point at or after `t_ms` (size() when none).
    int lower_bound(qint64 t_ms) const;

private:
    int capacity_;
    std::vector<TrendPoint> buf_;
    int head_ = 0; // index in buf_ of the oldest point
    int size_ = 0;
};

// One unbroken run of a series, in (time ms, value) pairs.
using TrendPolyline = std::vector<QPointF>;

// `series` between `from_ms` and `to_ms` reduced for a chart `columns` pixels
// wide: per pixel column its smallest and largest value, in the order they
// came, so no spike is lost and no column holds more than two points (and a
// point between two of the same value, which adds nothing to the line, is left
// out).  Lines
// break where the ring has a gap or the series a missing field; a line that
// goes on past either edge keeps its neighbour outside the window so it runs
// to the edge.
std::vector<TrendPolyline> decimate(const TrendRing& ring, TrendSeries series, qint64 from_ms,
                                    qint64 to_ms, int columns);
