// The litres a table gives for a level and the control refuelling, against
// values worked out by hand.
#include "protocol/platform_table.h"
#include "protocol/refuel_check.h"

#include <gtest/gtest.h>

namespace {

// Point k reads 100 + 100k; litres rise by 20 a step, by 30 from point 10 on:
// point 0 100 -> 20, point 10 1100 -> 220, point 11 1200 -> 250,
// point 18 1900 -> 460, point 19 2000 -> 490.
CalibrationTable hand_table() {
    CalibrationTable t;
    for (int k = 0; k < CalibrationTable::kPoints; ++k) {
        t.readings[size_t(k)] = uint16_t(100 + 100 * k);
        t.litres[size_t(k)] = uint16_t(20 + 20 * k + (k >= 10 ? 10 * (k - 10) : 0));
    }
    return t;
}

TEST(TableLitres, StraightLinesFromTheZeroRowUpToTheTop) {
    const std::vector<TablePoint> points = platform_points(hand_table()).value();
    const struct {
        double level, litres;
    } rows[] = {
        {0, 0},      // the fixed 0 -> 0 row
        {50, 10},    // below point 0: on the line from 0 -> 0 to 100 -> 20
        {100, 20},   // point 0
        {150, 30},   // between points 0 and 1
        {1150, 235}, // between points 10 and 11, where the slope changes
        {1950, 475}, // between points 18 and 19
        {2000, 490}, // point 19
        {2500, 490}, // above point 19: the top litres
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(table_litres(points, r.level), r.litres) << r.level;
}

TEST(RefuelCheck, PredictedAgainstAddedWithinTheTolerance) {
    // The largest litres are 490, so 2 % are 9.8 l.
    const struct {
        double before, after, added, tolerance;
        const char* line;
    } rows[] = {
        {50, 1150, 225, 2, "predicted 225.0 l, added 225 l, difference 0.0 l (0.0 %): годно"},
        // The boundary: 9.8 l is in, 9.9 l is out, on either side.
        {50, 1150, 215.2, 2, "predicted 225.0 l, added 215.2 l, difference 9.8 l (2.0 %): годно"},
        {50, 1150, 234.8, 2, "predicted 225.0 l, added 234.8 l, difference -9.8 l (-2.0 %): годно"},
        {50, 1150, 215.1, 2,
         "predicted 225.0 l, added 215.1 l, difference 9.9 l (2.0 %): не годно"},
        {50, 1150, 215.1, 2.5, "predicted 225.0 l, added 215.1 l, difference 9.9 l (2.0 %): годно"},
        // Above point 19 the table gives no more than its top.
        {1950, 2500, 40, 2, "predicted 15.0 l, added 40 l, difference -25.0 l (-5.1 %): не годно"},
        // From the fixed row up into the first segment.
        {0, 50, 10.4, 2, "predicted 10.0 l, added 10.4 l, difference -0.4 l (-0.1 %): годно"},
    };
    for (const auto& r : rows) {
        const Result<RefuelCheck> c =
            check_refuel(hand_table(), r.before, r.after, r.added, r.tolerance);
        ASSERT_TRUE(c) << c.error().text.toStdString();
        EXPECT_EQ(refuel_line(*c).toStdString(), r.line);
    }
}

TEST(RefuelCheck, RefusesATableThatCannotConvert) {
    CalibrationTable falling = hand_table();
    falling.readings[5] = 50;
    EXPECT_FALSE(check_refuel(falling, 0, 100, 10, 2));
    CalibrationTable empty = hand_table();
    empty.litres.fill(0);
    EXPECT_FALSE(check_refuel(empty, 0, 100, 10, 2));
}

} // namespace
