#include "protocol/frame_codec.h"

#include <gtest/gtest.h>

namespace {
QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}
} // namespace

TEST(FrameCodec, Crc8CheckValuesAndWorkedExample) {
    EXPECT_EQ(crc8("123456789"), 0xA1);
    EXPECT_EQ(crc8("abc"), 0x42);
    EXPECT_EQ(crc8(hex("3101F0")), 0xC5);
    uint8_t running = 0;
    EXPECT_EQ(crc(0x31, running), 0xE0);
    EXPECT_EQ(running, 0xE0);
    EXPECT_EQ(crc(0x01, running), 0xB7);
    EXPECT_EQ(crc(0xF0, running), 0xC5);
}

TEST(FrameCodec, ControlSummAppendsCrc) {
    EXPECT_EQ(Control_summ(hex("3101F0")), hex("3101F0C5"));
    EXPECT_EQ(Control_summ(QByteArray()), hex("00"));
    EXPECT_EQ(Control_summ(hex("3105F0")), hex("3105F0FE"));
    EXPECT_EQ(Control_summ(hex("3100F0")), hex("3100F001"));
    EXPECT_EQ(Control_summ(hex("31FF")), hex("31FFDC"));
    EXPECT_TRUE(reply_crc_ok(hex("3E05FADF")));
    EXPECT_FALSE(reply_crc_ok(hex("3E05FAD0")));
    EXPECT_FALSE(reply_crc_ok(QByteArray()));
}

TEST(FrameCodec, LongToStringIsBigEndian) {
    EXPECT_EQ(Long_to_string(2'000'000'000), hex("77359400"));
    EXPECT_EQ(Long_to_string(258), hex("00000102"));
    EXPECT_EQ(Long_to_string(0), hex("00000000"));
    EXPECT_EQ(Long_to_string(100000), hex("000186A0"));
}
