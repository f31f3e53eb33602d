#pragma once
// Fitting the sensor's 20-point table to more recorded points than it holds.
//
// The corners are chosen among the recorded points, both ends included, so
// that the largest litre error of straight-line interpolation between them,
// over every recorded point, is the smallest there is (found exactly, by
// dynamic programming over the points).  Of the corner sets that reach it the
// one with the fewest corners is taken; the table's other points lie on the
// straight segments between corners, so the table describes the same line.
#include "protocol/calibration_table.h"
#include "protocol/result.h"

#include <cstdint>
#include <vector>

struct TablePoint {
    int reading = 0;
    int litres = 0;
    bool operator==(const TablePoint&) const = default;
};

// An exact litre error: num / den litres, den > 0.
struct LitreError {
    int64_t num = 0;
    int64_t den = 1;
    double litres() const { return double(num) / double(den); }
    bool operator<(const LitreError& o) const { return num * o.den < o.num * den; }
    bool operator==(const LitreError& o) const { return num * o.den == o.num * den; }
};

// The largest error of interpolating between points[a] and points[b] over
// the points between them.  Readings strictly rising.
LitreError segment_error(const std::vector<TablePoint>& points, size_t a, size_t b);

// The corner indices (first 0, last points.size() - 1, at most `max_corners`,
// at least 2) with the smallest largest error, and that error.  Readings
// strictly rising, at least two points.
struct Corners {
    std::vector<size_t> index;
    LitreError error;
};
Corners optimal_corners(const std::vector<TablePoint>& points, int max_corners);

// Where a table (points with strictly rising readings) is furthest from the
// recorded points: below its first point it follows the line from 0 -> 0,
// above its last it stays at the last litres.
struct WorstPoint {
    double error = 0; // litres
    int level = 0;    // the reading of the recorded point where it is largest
};
WorstPoint worst_point(const std::vector<TablePoint>& table,
                       const std::vector<TablePoint>& recorded);

struct TableFit {
    CalibrationTable table;
    WorstPoint worst;   // of the final table, over every recorded point
    int top_litres = 0; // the largest recorded litres
    size_t corners = 0; // of which recorded points
};

// The 20-point table for recorded points (readings strictly rising, litres
// not falling, every value 0..32767, at least two points).  A first point
// 0 -> 0 is the table window's fixed row and is left out when 20 or more
// points remain (it takes no corner then; with fewer it costs none).  Refused when the points span
// too few whole readings for 20 rising ones.
Result<TableFit> fit_table(std::vector<TablePoint> points);

// "max error E l (P % of V l) at level L".
QString fit_summary(const TableFit& fit);

// What is wrong with point `p` after `prev` (values 0..32767, readings
// strictly rising, litres not falling); empty when nothing is.
QString table_points_problem(const TablePoint& prev, const TablePoint& p, bool first);
