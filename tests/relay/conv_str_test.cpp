#include "relay/conv_str.h"

#include "../support/fakes.h"

#include <gtest/gtest.h>

namespace {
QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}
} // namespace

TEST(ConvStr, HexTextToBytes) {
    FakeDialogs d;
    EXPECT_EQ(conv_str("3e01fc", d), hex("3E01FC"));
    EXPECT_EQ(conv_str("3E01FC", d), hex("3E01FC"));
    EXPECT_EQ(conv_str("abc", d), hex("AB"));
    EXPECT_EQ(conv_str("3E 05 FA DF\r\n", d), hex("3E05FADF"));
    EXPECT_TRUE(conv_str("", d).isEmpty());
    EXPECT_TRUE(d.messages.empty());

    EXPECT_TRUE(conv_str("G1", d).isEmpty());
    ASSERT_EQ(d.messages.size(), 1u);
    EXPECT_EQ(d.messages[0].text, QStringLiteral("В строке имеются символы не принадлежащие HEX"));

    // A stray character inside the text rejects the whole frame, with the message.
    EXPECT_TRUE(conv_str("3E0X", d).isEmpty());
    EXPECT_EQ(d.messages.size(), 2u);
}
