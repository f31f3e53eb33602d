#include "protocol/line_settings.h"

#include <gtest/gtest.h>

TEST(LineSettings, ParsesAllFourFieldsOrNothing) {
    using P = LineSettings::Parity;
    using S = LineSettings::StopBits;
    const auto ok = parse_line_settings(QStringLiteral(" 9600 , E ,7, 1.5"));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->baud, 9600);
    EXPECT_EQ(ok->parity, P::Even);
    EXPECT_EQ(ok->data_bits, 7);
    EXPECT_EQ(ok->stop_bits, S::OneAndHalf);
    EXPECT_TRUE(parse_line_settings(kSensorLineSettings)->is_sensor_line());

    for (const QString& bad :
         {QStringLiteral("19200,n,8"), QStringLiteral("0,n,8,1"), QStringLiteral("19200,x,8,1"),
          QStringLiteral("19200,n,9,1"), QStringLiteral("19200,n,8,3"),
          QStringLiteral("+19200,n,8,1"), QString::fromUtf8("19200\0x,n,8,1", 13),
          QString::fromUtf8("19200,n,8\0,1", 12)})
        EXPECT_FALSE(parse_line_settings(bad)) << qPrintable(bad);
}
