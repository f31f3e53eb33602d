#include "protocol/calibration_file.h"

#include <gtest/gtest.h>

TEST(CalibrationFileLines, SplitAtTheFirstTwoSemicolons) {
    EXPECT_EQ(calibration_file_header(), QStringLiteral("№ проции;Литры;Уровень"));
    EXPECT_EQ(calibration_point_line(3, -40, "Нет данных"), QStringLiteral("3;-40;Нет данных"));
    const auto l = split_calibration_line("1;2;a;b");
    ASSERT_TRUE(l);
    EXPECT_EQ(QStringList({l->row, l->litres, l->level}), QStringList({"1", "2", "a;b"}));
    EXPECT_TRUE(split_calibration_line(";;"));
    EXPECT_FALSE(split_calibration_line("1;2"));
    EXPECT_FALSE(split_calibration_line(""));
}
