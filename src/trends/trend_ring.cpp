#include "trends/trend_ring.h"

#include <algorithm>
#include <cmath>

double TrendPoint::value(TrendSeries s) const {
    switch (s) {
    case TrendSeries::Level:
        return level;
    case TrendSeries::Current:
        return current;
    case TrendSeries::Temperature:
        return temperature;
    }
    return 0;
}

TrendRing::TrendRing(int capacity) : capacity_(std::max(1, capacity)) {
    buf_.reserve(size_t(capacity_));
}

void TrendRing::add(const TrendPoint& p) {
    if (size_ < capacity_) {
        buf_.push_back(p);
        ++size_;
        return;
    }
    buf_[size_t(head_)] = p;
    head_ = (head_ + 1) % capacity_;
}

void TrendRing::clear() {
    buf_.clear();
    head_ = 0;
    size_ = 0;
}

int TrendRing::lower_bound(qint64 t_ms) const {
    int lo = 0, hi = size_;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (at(mid).t_ms < t_ms)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

namespace {
// The smallest and largest value of the points of one column, and when they came.
struct Column {
    bool any = false;
    qint64 column = 0;
    QPointF low, high;
    int low_at = 0, high_at = 0;

    void take(int i, const QPointF& p, qint64 col) {
        if (!any) {
            any = true;
            column = col;
            low = high = p;
            low_at = high_at = i;
            return;
        }
        if (p.y() < low.y()) low = p, low_at = i;
        if (p.y() > high.y()) high = p, high_at = i;
    }
    void flush_into(TrendPolyline& line) {
        if (!any) return;
        if (low_at == high_at) {
            line.push_back(low);
        } else if (low_at < high_at) {
            line.push_back(low);
            line.push_back(high);
        } else {
            line.push_back(high);
            line.push_back(low);
        }
        any = false;
    }
};
} // namespace

std::vector<TrendPolyline> decimate(const TrendRing& ring, TrendSeries series, qint64 from_ms,
                                    qint64 to_ms, int columns) {
    std::vector<TrendPolyline> lines;
    if (ring.empty() || to_ms <= from_ms || columns <= 0) return lines;
    // One neighbour on each side, so a line crossing an edge reaches it.
    const int first = std::max(0, ring.lower_bound(from_ms) - 1);
    const int last = std::min(ring.size() - 1, ring.lower_bound(to_ms + 1));
    const double span = double(to_ms - from_ms);

    TrendPolyline line;
    Column col;
    auto end_line = [&] {
        col.flush_into(line);
        // A point between two of the same value lies on the line they draw
        // anyway; a steady series then costs a handful of points, not two a column.
        size_t kept = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            if (kept >= 1 && i + 1 < line.size() && line[kept - 1].y() == line[i].y() &&
                line[i + 1].y() == line[i].y())
                continue;
            line[kept++] = line[i];
        }
        line.resize(kept);
        if (!line.empty()) lines.push_back(std::move(line));
        line = {};
    };
    for (int i = first; i <= last; ++i) {
        const TrendPoint& p = ring.at(i);
        if (p.gap_before || !p.carries(series)) end_line();
        if (!p.carries(series)) continue;
        // Points outside the window fall into the columns just beyond its edges.
        const double x = double(p.t_ms - from_ms) / span * columns;
        const qint64 c = std::clamp<qint64>(qint64(std::floor(x)), -1, columns);
        if (col.any && c != col.column) col.flush_into(line);
        col.take(i, QPointF(double(p.t_ms), p.value(series)), c);
    }
    end_line();
    return lines;
}
