// The ring's bound and the reduction for drawing: what the chart gets to draw.
#include "trends/trend_ring.h"

#include <gtest/gtest.h>

namespace {
constexpr uint8_t kAll = 0b111;

TrendPoint point(qint64 t_s, uint32_t current, bool gap = false, uint8_t has = kAll) {
    TrendPoint p;
    p.t_ms = t_s * 1000;
    p.current = current;
    p.level = uint16_t(current / 100);
    p.temperature = 20;
    p.has = has;
    p.gap_before = gap;
    return p;
}

// "t:v t:v | t:v": the polylines of a series, seconds and values.
std::string lines_text(const std::vector<TrendPolyline>& lines) {
    std::string out;
    for (const TrendPolyline& line : lines) {
        if (!out.empty()) out += " | ";
        for (size_t i = 0; i < line.size(); ++i) {
            if (i) out += ' ';
            out += std::to_string(qint64(line[i].x()) / 1000) + ':' +
                   std::to_string(qint64(line[i].y()));
        }
    }
    return out;
}
} // namespace

TEST(TrendRing, KeepsTheNewestPointsUpToItsCapacity) {
    EXPECT_EQ(TrendRing().capacity(), 24 * 3600);
    TrendRing ring(5);
    for (int t = 0; t < 12; ++t) ring.add(point(t, 1000 + t));
    ASSERT_EQ(ring.size(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ring.at(i).t_ms, (7 + i) * 1000) << i;
    EXPECT_EQ(ring.back().current, 1011u);
    EXPECT_EQ(ring.lower_bound(0), 0);
    EXPECT_EQ(ring.lower_bound(9000), 2);
    EXPECT_EQ(ring.lower_bound(9001), 3);
    EXPECT_EQ(ring.lower_bound(99000), 5);
}

TEST(TrendRing, Decimation) {
    struct Row {
        const char* what;
        std::vector<TrendPoint> points;
        qint64 from_s, to_s;
        int columns;
        TrendSeries series;
        std::string expected;
    };
    std::vector<TrendPoint> dense; // 100 points in 10 columns, a spike at 37 and a dip at 62
    for (int t = 0; t < 100; ++t) dense.push_back(point(t, t == 37 ? 900 : t == 62 ? 10 : 500));
    const Row rows[] = {
        {"fewer points than columns: all of them",
         {point(0, 5), point(1, 7), point(2, 6)},
         0,
         2,
         100,
         TrendSeries::Current,
         "0:5 1:7 2:6"},
        {"ten a column: the smallest and the largest, in the order they came; none between equals",
         dense, 0, 100, 10, TrendSeries::Current,
         "0:500 30:500 37:900 40:500 60:500 62:10 70:500 90:500"},
        {"a gap stays a gap",
         {point(0, 5), point(1, 6), point(10, 7, true), point(11, 8)},
         0,
         11,
         100,
         TrendSeries::Current,
         "0:5 1:6 | 10:7 11:8"},
        {"a gap inside one column still breaks the line",
         {point(0, 5), point(1, 6, true), point(2, 7)},
         0,
         100,
         2,
         TrendSeries::Current,
         "0:5 | 1:6 2:7"},
        {"a field a reply lacked breaks only its own series",
         {point(0, 100), point(1, 200, false, 0b101), point(2, 300)},
         0,
         2,
         100,
         TrendSeries::Current,
         "0:100 | 2:300"},
        {"... the others go on",
         {point(0, 100), point(1, 200, false, 0b101), point(2, 300)},
         0,
         2,
         100,
         TrendSeries::Level,
         "0:1 1:2 2:3"},
        {"one neighbour beyond each edge, so lines reach the edges",
         {point(0, 1), point(1, 2), point(5, 3), point(6, 4), point(9, 5), point(10, 6)},
         3,
         8,
         100,
         TrendSeries::Current,
         "1:2 5:3 6:4 9:5"},
        {"a neighbour across a gap is not drawn to",
         {point(0, 1), point(5, 3, true), point(6, 4)},
         3,
         8,
         100,
         TrendSeries::Current,
         "0:1 | 5:3 6:4"},
        {"nothing in an empty window", {point(0, 1)}, 5, 5, 100, TrendSeries::Current, ""},
    };
    for (const Row& r : rows) {
        TrendRing ring(1000);
        for (const TrendPoint& p : r.points) ring.add(p);
        EXPECT_EQ(lines_text(decimate(ring, r.series, r.from_s * 1000, r.to_s * 1000, r.columns)),
                  r.expected)
            << r.what;
    }
}

TEST(TrendRing, ADayDrawsInAtMostTwoPointsAColumn) {
    TrendRing ring;
    for (int t = 0; t < 2 * TrendRing::kDayAtOnePerSecond; ++t)
        ring.add(point(t, uint32_t(60000 + (t * 7919) % 5000)));
    EXPECT_EQ(ring.size(), TrendRing::kDayAtOnePerSecond);
    const qint64 from = ring.at(0).t_ms, to = ring.back().t_ms;
    const auto lines = decimate(ring, TrendSeries::Current, from, to, 800);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LE(lines[0].size(), 2u * 801);
    EXPECT_GE(lines[0].size(), 800u);
}
