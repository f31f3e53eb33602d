// The table fit against searches that share none of its code: every corner
// set of small recordings, and a plain dynamic programme with the errors
// summed up point by point on recordings of tank shapes.
#include "protocol/calibration_file.h"
#include "protocol/table_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>

namespace {

using Points = std::vector<TablePoint>;

// The error of the line from a to b at every point between, one by one.
LitreError naive_error(const Points& p, size_t a, size_t b) {
    LitreError worst{0, 1};
    const int64_t dx = p[b].reading - p[a].reading, dy = p[b].litres - p[a].litres;
    for (size_t i = a + 1; i < b; ++i) {
        const int64_t d = (p[i].litres - p[a].litres) * dx - dy * (p[i].reading - p[a].reading);
        const LitreError e{d < 0 ? -d : d, dx};
        if (worst < e) worst = e;
    }
    return worst;
}

LitreError naive_total(const Points& p, const std::vector<size_t>& corners) {
    LitreError worst{0, 1};
    for (size_t k = 0; k + 1 < corners.size(); ++k) {
        const LitreError e = naive_error(p, corners[k], corners[k + 1]);
        if (worst < e) worst = e;
    }
    return worst;
}

// Every subset of the inner points: the smallest error and the fewest
// corners that reach it.
std::pair<LitreError, size_t> brute_force(const Points& p, size_t max_corners) {
    const size_t inner = p.size() - 2;
    std::optional<LitreError> best;
    size_t fewest = 0;
    for (uint32_t mask = 0; mask < (1u << inner); ++mask) {
        std::vector<size_t> corners{0};
        for (size_t i = 0; i < inner; ++i)
            if (mask & (1u << i)) corners.push_back(i + 1);
        corners.push_back(p.size() - 1);
        if (corners.size() > max_corners) continue;
        const LitreError e = naive_total(p, corners);
        if (!best || e < *best || (e == *best && corners.size() < fewest)) {
            best = e;
            fewest = corners.size();
        }
    }
    return {*best, fewest};
}

// A plain dynamic programme over the points with the naive errors.
LitreError naive_dp(const Points& p, size_t max_corners) {
    const size_t n = p.size();
    std::vector<std::vector<std::optional<LitreError>>> best(
        max_corners, std::vector<std::optional<LitreError>>(n));
    best[0][0] = LitreError{0, 1};
    std::optional<LitreError> answer;
    for (size_t j = 1; j < max_corners; ++j) {
        for (size_t b = 1; b < n; ++b)
            for (size_t a = 0; a < b; ++a) {
                if (!best[j - 1][a]) continue;
                LitreError e = naive_error(p, a, b);
                if (e < *best[j - 1][a]) e = *best[j - 1][a];
                if (!best[j][b] || e < *best[j][b]) best[j][b] = e;
            }
        if (best[j][n - 1] && (!answer || *best[j][n - 1] < *answer)) answer = best[j][n - 1];
    }
    return *answer;
}

Points random_points(std::mt19937& rng, size_t n, int max_step, int noise) {
    Points p;
    int x = int(rng() % 50), y = 0;
    for (size_t i = 0; i < n; ++i) {
        p.push_back({x, std::max(0, y + int(rng() % (2 * noise + 1)) - noise)});
        x += 1 + int(rng() % max_step);
        y += int(rng() % 40);
    }
    return p;
}

// Levels and litres of a tank filled in equal portions.
Points tank(int portions, int portion, const std::function<double(double)>& level_of_litres) {
    Points p;
    for (int k = 0; k <= portions; ++k)
        p.push_back({int(std::lround(level_of_litres(k * portion))), k * portion});
    return p;
}

// Litres of a horizontal cylinder of radius r and length len at height h.
double cylinder_litres(double h, double r, double len) {
    return len * (r * r * std::acos((r - h) / r) - (r - h) * std::sqrt(2 * r * h - h * h));
}
double cylinder_level(double litres, double r, double len) {
    double lo = 0, hi = 2 * r;
    for (int i = 0; i < 60; ++i) {
        const double mid = (lo + hi) / 2;
        (cylinder_litres(mid, r, len) < litres ? lo : hi) = mid;
    }
    return lo;
}

void expect_table_follows(const TableFit& fit, const Points& recorded) {
    const CalibrationTable& t = fit.table;
    for (size_t k = 1; k < 20; ++k) {
        EXPECT_LT(t.readings[k - 1], t.readings[k]) << k;
        EXPECT_LE(t.litres[k - 1], t.litres[k]) << k;
    }
    EXPECT_EQ(t.readings[19], recorded.back().reading);
    EXPECT_EQ(t.litres[19], recorded.back().litres);
}

} // namespace

TEST(TableFit, FindsTheOptimumOfEveryCornerSet) {
    std::mt19937 rng(36);
    for (int round = 0; round < 400; ++round) {
        const size_t n = 3 + rng() % 10;
        const Points p = random_points(rng, n, 1 + round % 30, round % 3 == 0 ? 0 : 25);
        const size_t max_corners = 2 + rng() % 5;
        SCOPED_TRACE(testing::Message() << "round " << round << " corners " << max_corners);
        const Corners got = optimal_corners(p, int(max_corners));
        const auto [error, fewest] = brute_force(p, max_corners);
        EXPECT_EQ(got.error, error) << got.error.litres() << " vs " << error.litres();
        EXPECT_EQ(got.index.size(), fewest);
        ASSERT_GE(got.index.size(), 2u);
        EXPECT_EQ(got.index.front(), 0u);
        EXPECT_EQ(got.index.back(), n - 1);
        EXPECT_EQ(naive_total(p, got.index), got.error); // the corners do what it says
        for (size_t k = 0; k + 1 < got.index.size(); ++k)
            EXPECT_EQ(segment_error(p, got.index[k], got.index[k + 1]),
                      naive_error(p, got.index[k], got.index[k + 1]));
    }
}

TEST(TableFit, TankShapes) {
    const double r = 400, len = 0.0597; // reading units; litres per unit of area
    struct Shape {
        const char* name;
        Points points;
        double max_error; // the fit must stay within
    };
    Points dead_zone = tank(80, 40, [](double l) { return 40 + l / 9; });
    for (int k = 0; k < 4; ++k) dead_zone[size_t(k)].reading = 40; // the probe's end sees nothing
    const Shape shapes[] = {
        {"rectangular", tank(120, 50, [](double l) { return 10 + l / 7.5; }), 0.5 + 7.5 / 2},
        {"horizontal cylinder",
         tank(140, int(cylinder_litres(2 * r, r, len) / 140),
              [&](double l) { return 5 + cylinder_level(l, r, len); }),
         40},
        {"dead zone", dead_zone, 5},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        // As recorded: a header, then row;litres;level.
        QStringList lines{calibration_file_header()};
        for (size_t i = 0; i < s.points.size(); ++i)
            lines << calibration_point_line(int(i + 1), s.points[i].litres,
                                            QString::number(s.points[i].reading));
        const Result<RecordedPoints> recorded = recorded_points(lines);
        ASSERT_TRUE(recorded) << recorded.error().text.toStdString();
        const Points& p = recorded->points;
        const Corners c = optimal_corners(p, 20);
        EXPECT_EQ(c.error, naive_dp(p, 20)) << c.error.litres();
        const Result<TableFit> fit = fit_table(p);
        ASSERT_TRUE(fit);
        expect_table_follows(*fit, p);
        EXPECT_NEAR(fit->worst.error, c.error.litres(), 0.5);
        EXPECT_LE(fit->worst.error, s.max_error);
        EXPECT_EQ(fit->table.readings[0], p.front().reading);
    }
    // The dead zone: four rows at one level are one point, the last of them.
    QStringList lines{calibration_file_header()};
    for (size_t i = 0; i < 6; ++i)
        lines << calibration_point_line(int(i + 1), dead_zone[i].litres,
                                        QString::number(dead_zone[i].reading));
    const Result<RecordedPoints> r6 = recorded_points(lines);
    ASSERT_TRUE(r6);
    EXPECT_EQ(r6->points.front(), (TablePoint{40, 120}));
    EXPECT_EQ(recorded_points_notice(*r6),
              "Строки с одним уровнем слиты, взята последняя: 2-5 (уровень 40).");
}

TEST(TableFit, KeepsFewPointsAndFillsOnTheLine) {
    // Five points: all kept, the other fifteen on the segments, whole litres
    // where the line has them, the widest segment split first.
    const Points p{{100, 0}, {200, 100}, {260, 130}, {300, 190}, {1000, 1590}};
    const Result<TableFit> fit = fit_table(p);
    ASSERT_TRUE(fit);
    expect_table_follows(*fit, p);
    EXPECT_EQ(fit->corners, 5u);
    EXPECT_EQ(fit->worst.error, 0);
    for (const TablePoint& q : p) {
        bool kept = false;
        for (size_t k = 0; k < 20; ++k)
            kept |= fit->table.readings[k] == q.reading && fit->table.litres[k] == q.litres;
        EXPECT_TRUE(kept) << q.reading;
    }
    // Every table point on the line of the recorded points around it; also
    // where the middle of a segment has no whole litres, but a reading beside it has.
    Points steps;
    for (int k = 0; k < 19; ++k) steps.push_back({100 + 12 * k, 3 * k});
    for (const Points& q : {p, steps}) {
        const Result<TableFit> f = fit_table(q);
        ASSERT_TRUE(f);
        for (size_t k = 0; k < 20; ++k) {
            const int x = f->table.readings[k];
            size_t i = 0;
            while (q[i + 1].reading < x) ++i;
            const double on_line = q[i].litres + double(q[i + 1].litres - q[i].litres) *
                                                     (x - q[i].reading) /
                                                     (q[i + 1].reading - q[i].reading);
            EXPECT_EQ(f->table.litres[k], on_line) << x;
        }
    }
    EXPECT_EQ(fit_summary(*fit), "max error 0.0 l (0.0 % of 1590 l) at level 100");

    // 0 -> 0 first is the window's fixed row: left out of 21 points, kept in 20.
    Points with_zero{{0, 0}};
    for (int k = 1; k <= 20; ++k) with_zero.push_back({k * 10, k * k});
    const Result<TableFit> dropped = fit_table(with_zero);
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->table.readings[0], 10);
    EXPECT_EQ(dropped->worst.error, 0);
    with_zero.pop_back();
    EXPECT_EQ(fit_table(with_zero)->table.readings[0], 0);

    // Too few whole readings for twenty rising ones above 32748.
    EXPECT_FALSE(fit_table({{32760, 0}, {32767, 5}}));
    // Room above the top: it stays at the top litres.
    const Result<TableFit> narrow = fit_table({{10, 0}, {15, 50}});
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->table.readings[19], 29);
    EXPECT_EQ(narrow->table.litres[19], 50);
}

TEST(TableFit, ReadsRecordings) {
    struct Row {
        QStringList data; // after the header
        QString points;   // "level:litres ..." or the error's text
        QString notice;
    };
    const Row rows[] = {
        {{"1;0;Нет данных", "2;50;100", "3;100;100", "4;150;180", "5;200;Нет данных", "6;250;260"},
         "100:100 180:150 260:250",
         "Пропущены строки, где уровень не число: 2 (Нет данных), 6 (Нет данных).\n"
         "Строки с одним уровнем слиты, взята последняя: 3-4 (уровень 100)."},
        {{"1;0;10", "", "2;50;20"}, "10:0 20:50", ""},
        {{"1;0;10", "2;50;20", "3;100;15"}, "Строка 4: уровень 15 ниже, чем в строке 3 (20)", ""},
        {{"1;0;10", "2;50;20", "3;40;25"}, "Строка 4: литров 40 меньше, чем в строке 3 (50)", ""},
        {{"1;0;10", "2;50;40000"}, "Строка 3: значение вне 0..32767", ""},
        {{"1;-50;10", "2;0;20"}, "Строка 2: значение вне 0..32767", ""},
        {{"1;0;10", "2;x;20"}, "Строка 3: литры \"x\" не целое число", ""},
        {{"1;0;10", "2 50 20"}, "Строка 3: нет двух \";\"", ""},
        {{"1;0;10", "2;0;Нет данных"}, "В записи меньше двух строк с уровнем", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data.join(u'|').toStdString());
        const Result<RecordedPoints> r = recorded_points(QStringList{"header"} + row.data);
        if (!r) {
            EXPECT_TRUE(r.error().text.startsWith(row.points)) << r.error().text.toStdString();
            continue;
        }
        QStringList got;
        for (const TablePoint& p : r->points)
            got << QStringLiteral("%1:%2").arg(p.reading).arg(p.litres);
        EXPECT_EQ(got.join(u' '), row.points);
        EXPECT_EQ(recorded_points_notice(*r), row.notice);
    }
}
