#include "protocol/numbers.h"

#include <gtest/gtest.h>

TEST(Numbers, RoundsHalfToEven) {
    const QLocale c(QLocale::C);
    EXPECT_EQ(parse_whole_number("2.5", c), 2);
    EXPECT_EQ(parse_whole_number("3.5", c), 4);
    EXPECT_EQ(parse_whole_number("-0.5", c), 0);
    EXPECT_EQ(parse_whole_number("-1.5", c), -2);
    EXPECT_EQ(parse_whole_number("2.51", c), 3);
    EXPECT_EQ(parse_whole_number("2.4999", c), 2);
    EXPECT_EQ(parse_whole_number(" 42 ", c), 42);
    EXPECT_EQ(parse_whole_number("+7", c), 7);
    EXPECT_EQ(parse_whole_number(".5", c), 0);
    EXPECT_EQ(parse_whole_number("007", c), 7);
}

TEST(Numbers, RejectsWhatIsNotANumber) {
    const QLocale c(QLocale::C);
    for (const char* bad : {"12abc", "", "-", "+", ".", "1e3", "1.2.3", "1 000", "--1", " "})
        EXPECT_FALSE(parse_whole_number(QString::fromLatin1(bad), c).has_value()) << bad;
}

TEST(Numbers, AcceptsTheSystemSeparatorAndThePoint) {
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    EXPECT_EQ(parse_whole_number("2,5", ru), 2);
    EXPECT_EQ(parse_whole_number("3.5", ru), 4);
    EXPECT_FALSE(parse_whole_number("1,2.5", ru).has_value());
}

TEST(Numbers, HugeValuesStayOutOfRangeInsteadOfInvalid) {
    auto v = parse_whole_number("99999999999999999999999", QLocale::c());
    ASSERT_TRUE(v.has_value());
    EXPECT_FALSE(fits_int32(*v));
    EXPECT_TRUE(fits_byte(255));
    EXPECT_FALSE(fits_byte(256));
    EXPECT_FALSE(fits_byte(-1));
    EXPECT_TRUE(fits_int16(-32768));
    EXPECT_FALSE(fits_int16(32768));
}

TEST(Numbers, DecimalTextUsesTheLocaleSeparator) {
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    EXPECT_EQ(decimal_text(3.96, ru), QStringLiteral("3,96"));
    EXPECT_EQ(decimal_text(52.734375, ru), QStringLiteral("52,734375"));
    EXPECT_EQ(decimal_text(5, ru), QStringLiteral("5"));
    EXPECT_EQ(decimal_text(1234567, ru), QStringLiteral("1234567"));
    EXPECT_EQ(decimal_text(2.48, QLocale::c()), QStringLiteral("2.48"));
    EXPECT_EQ(round_half_even(62.5), 62);
    EXPECT_EQ(round_half_even(99.12), 99);
}
