#include "protocol/table_fit.h"
#include "i18n/language.h"

#include "protocol/refuel_check.h"

#include <algorithm>
#include <cmath>

namespace {

using Hull = std::vector<TablePoint>; // in falling readings: the newest point is the leftmost

// Adds a point left of all others to an upper (or lower) hull.  Points on a
// hull edge go: they never give a larger extreme than its ends.
void add_left(Hull& h, const TablePoint& c, bool upper) {
    while (h.size() >= 2) {
        const TablePoint& a = h[h.size() - 2];
        const TablePoint& b = h.back();
        // b on or below (above) the line from c to a
        const int64_t lhs = int64_t(b.litres - c.litres) * (a.reading - c.reading);
        const int64_t rhs = int64_t(a.litres - c.litres) * (b.reading - c.reading);
        if (upper ? lhs <= rhs : lhs >= rhs)
            h.pop_back();
        else
            break;
    }
    h.push_back(c);
}

// The largest (smallest) litres * dx - reading * dy over the hull's points.
// Along an upper hull, going left, it rises and then falls (a lower hull the
// other way round), so the turn is found by halving.
int64_t extreme(const Hull& h, int64_t dx, int64_t dy, bool upper) {
    const auto g = [dx, dy](const TablePoint& p) {
        return int64_t(p.litres) * dx - int64_t(p.reading) * dy;
    };
    size_t lo = 0, hi = h.size() - 1;
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        const bool on = upper ? g(h[mid + 1]) > g(h[mid]) : g(h[mid + 1]) < g(h[mid]);
        if (on)
            lo = mid + 1;
        else
            hi = mid;
    }
    return g(h[lo]);
}

// The error of the line from a to b over the points the hulls hold.
LitreError hull_error(const TablePoint& a, const TablePoint& b, const Hull& upper,
                      const Hull& lower) {
    if (upper.empty()) return {0, 1};
    const int64_t dx = b.reading - a.reading;
    const int64_t dy = b.litres - a.litres;
    // (litres - a.litres) * dx - dy * (reading - a.reading): the error times dx
    const int64_t offset = -int64_t(a.litres) * dx + dy * a.reading;
    const int64_t above = extreme(upper, dx, dy, true) + offset;
    const int64_t below = extreme(lower, dx, dy, false) + offset;
    return {std::max<int64_t>({above, -below, 0}), dx};
}

// Litres at `reading` on the line between two points, as a fraction of
// their reading span: whole part and remainder.
struct OnLine {
    int64_t whole;
    int64_t rest; // 0 <= rest < dx
};
OnLine on_line(const TablePoint& a, const TablePoint& b, int reading) {
    const int64_t dx = b.reading - a.reading;
    const int64_t scaled =
        int64_t(a.litres) * dx + int64_t(b.litres - a.litres) * (reading - a.reading);
    return {scaled / dx, scaled % dx}; // litres never fall, so scaled >= 0
}

// A whole reading inside the segment from a to b (at least 2 apart) whose
// point on the line has whole litres, or the nearest to that; of equals the
// one nearest the middle.
TablePoint point_between(const TablePoint& a, const TablePoint& b) {
    const int64_t dx = b.reading - a.reading;
    TablePoint best;
    int64_t best_off = -1, best_mid = 0;
    for (int r = a.reading + 1; r < b.reading; ++r) {
        const OnLine v = on_line(a, b, r);
        const int64_t off = std::min(v.rest, dx - v.rest);
        const int64_t mid = std::abs(2 * int64_t(r) - a.reading - b.reading);
        if (best_off < 0 || off < best_off || (off == best_off && mid < best_mid)) {
            best_off = off;
            best_mid = mid;
            best = {r, int(v.whole + (2 * v.rest >= dx ? 1 : 0))};
        }
    }
    return best;
}

// Adds points on the segments, the widest split first, until there are 20;
// when no segment has a whole reading left inside, above the top at the top
// litres.  False when the readings run out.
bool fill(std::vector<TablePoint>& table) {
    while (table.size() < size_t(CalibrationTable::kPoints)) {
        size_t widest = 0;
        int width = 1;
        for (size_t i = 0; i + 1 < table.size(); ++i)
            if (table[i + 1].reading - table[i].reading > width) {
                width = table[i + 1].reading - table[i].reading;
                widest = i + 1;
            }
        if (width >= 2) {
            table.insert(table.begin() + qsizetype(widest),
                         point_between(table[widest - 1], table[widest]));
        } else if (table.back().reading < CalibrationTable::kMaxValue) {
            table.push_back({table.back().reading + 1, table.back().litres});
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

LitreError segment_error(const std::vector<TablePoint>& points, size_t a, size_t b) {
    Hull upper, lower;
    for (size_t i = b - 1; i > a; --i) {
        add_left(upper, points[i], true);
        add_left(lower, points[i], false);
    }
    return hull_error(points[a], points[b], upper, lower);
}

Corners optimal_corners(const std::vector<TablePoint>& points, int max_corners) {
    const size_t n = points.size();
    const size_t segments = size_t(std::clamp<int64_t>(max_corners, 2, int64_t(n))) - 1;
    const size_t width = segments + 1;
    // best[a * width + j]: the smallest largest error of reaching point a with
    // exactly j segments (num < 0: not reachable); from: the corner before a.
    std::vector<LitreError> best(n * width, LitreError{-1, 1});
    std::vector<uint32_t> from(n * width, 0);
    best[0] = {0, 1};
    Hull upper, lower;
    for (size_t b = 1; b < n; ++b) {
        upper.clear();
        lower.clear();
        LitreError* at_b = &best[b * width];
        for (size_t a = b; a-- > 0;) {
            // The points strictly between a and b.
            if (a + 1 < b) {
                add_left(upper, points[a + 1], true);
                add_left(lower, points[a + 1], false);
            }
            const LitreError e = hull_error(points[a], points[b], upper, lower);
            const LitreError* at_a = &best[a * width];
            const size_t top = std::min(segments, a + 1);
            for (size_t j = 1; j <= top; ++j) {
                const LitreError& before = at_a[j - 1];
                if (before.num < 0) continue;
                const LitreError cand = e < before ? before : e;
                if (at_b[j].num < 0 || cand < at_b[j]) {
                    at_b[j] = cand;
                    from[b * width + j] = uint32_t(a);
                }
            }
        }
    }
    // The fewest segments that reach the smallest error.
    const LitreError* last = &best[(n - 1) * width];
    size_t chosen = 0;
    for (size_t j = 1; j <= segments; ++j)
        if (last[j].num >= 0 && (chosen == 0 || last[j] < last[chosen])) chosen = j;
    Corners c;
    c.error = last[chosen];
    c.index.assign(chosen + 1, 0);
    size_t at = n - 1;
    for (size_t j = chosen; j > 0; --j) {
        c.index[j] = at;
        at = from[at * width + j];
    }
    c.index[0] = at;
    return c;
}

WorstPoint worst_point(const std::vector<TablePoint>& table,
                       const std::vector<TablePoint>& recorded) {
    WorstPoint w;
    bool any = false;
    for (const TablePoint& p : recorded) {
        const double litres = table_litres(table, p.reading);
        const double e = std::abs(p.litres - litres);
        // Equal errors: the lowest level is named.
        if (!any || e > w.error + 1e-9) w = {e, p.reading};
        any = true;
    }
    return w;
}

Result<TableFit> fit_table(std::vector<TablePoint> points) {
    const std::vector<TablePoint> recorded = points;
    constexpr size_t kPoints = CalibrationTable::kPoints;
    if (points.size() > kPoints && points.front() == TablePoint{0, 0}) points.erase(points.begin());
    std::vector<TablePoint> table;
    if (points.size() <= kPoints) {
        table = points;
    } else {
        for (size_t i : optimal_corners(points, int(kPoints)).index) table.push_back(points[i]);
    }
    TableFit fit;
    fit.corners = table.size();
    if (!fill(table))
        return Error{ErrorKind::BadInput,
                     fill_text(QT_TRANSLATE_NOOP("Messages", "Точки занимают слишком мало "
                                                             "показаний: в таблице должно быть %1 "
                                                             "разных."),
                               {QString::number(kPoints)})};
    for (size_t k = 0; k < kPoints; ++k) {
        fit.table.readings[k] = uint16_t(table[k].reading);
        fit.table.litres[k] = uint16_t(table[k].litres);
    }
    fit.worst = worst_point(table, recorded);
    for (const TablePoint& p : recorded) fit.top_litres = std::max(fit.top_litres, p.litres);
    return fit;
}

QString fit_summary(const TableFit& fit) {
    const double percent = fit.top_litres > 0 ? 100.0 * fit.worst.error / fit.top_litres : 0.0;
    return QStringLiteral("max error %1 l (%2 % of %3 l) at level %4")
        .arg(QString::number(fit.worst.error, 'f', 1), QString::number(percent, 'f', 1))
        .arg(fit.top_litres)
        .arg(fit.worst.level);
}

QString table_points_problem(const TablePoint& prev, const TablePoint& p, bool first) {
    const int max = CalibrationTable::kMaxValue;
    if (p.reading < 0 || p.reading > max || p.litres < 0 || p.litres > max)
        return fill_text(QT_TRANSLATE_NOOP("Messages", "значение вне 0..%1"),
                         {QString::number(max)});
    if (first) return {};
    if (p.reading <= prev.reading)
        return fill_text(QT_TRANSLATE_NOOP("Messages", "показания %1 не больше предыдущих %2"),
                         {QString::number(p.reading), QString::number(prev.reading)});
    if (p.litres < prev.litres)
        return fill_text(QT_TRANSLATE_NOOP("Messages", "литры %1 меньше предыдущих %2"),
                         {QString::number(p.litres), QString::number(prev.litres)});
    return {};
}
