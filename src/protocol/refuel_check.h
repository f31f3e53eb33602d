#pragma once
// The litres a table gives for a level, as the sensor converts it, and the
// control refuelling that proves a table: the litres the table predicts for
// the change of level against the litres put in.
#include "protocol/calibration_table.h"
#include "protocol/result.h"
#include "protocol/table_fit.h"

#include <QString>

#include <optional>
#include <vector>

// Litres at `level` by a table of points with rising readings: straight lines
// between points; below the first point the line from the fixed 0 -> 0 row;
// above the top point the top point's litres (the sensor knows no fuel above
// its table, and a full tank reads no higher).
double table_litres(const std::vector<TablePoint>& table, double level);

struct RefuelCheck {
    double before = 0;     // level before
    double after = 0;      // level after
    double added = 0;      // litres put in
    double tolerance = 2;  // % of the table's largest litres
    double predicted = 0;  // litres the table gives for the change
    double difference = 0; // predicted - added
    double percent = 0;    // difference in % of the table's largest litres
    int top_litres = 0;
    bool within = false; // |percent| <= tolerance
};

inline constexpr double kDefaultTolerance = 2.0;

// Refused when the table's readings do not rise, its litres fall, or it holds
// no litres at all.
Result<RefuelCheck> check_refuel(const CalibrationTable& table, double before, double after,
                                 double added, double tolerance);

// "predicted X.X l, added N l, difference D.D l (P.P %): годно|не годно".
QString refuel_line(const RefuelCheck& r);
// The same in the window's and the certificate's words.
QString refuel_text(const RefuelCheck& r);
// "годно" or "не годно".
QString refuel_verdict(const RefuelCheck& r);
// A quantity as typed, without trailing zeros ("50", "50.25").
QString plain_number(double v);

// A level, litres or tolerance as the user types it: a decimal number with a
// point or a comma; nothing when it is not one.
std::optional<double> parse_decimal(const QString& text);
