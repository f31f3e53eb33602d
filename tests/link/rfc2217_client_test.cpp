// The telnet layer of an RFC 2217 port, fed as a server would feed it, split
// at every byte boundary.
#include "link/rfc2217_client.h"

#include <gtest/gtest.h>

#include <utility>

namespace {
QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}

// Feeds `in` one byte at a time: a command split over segments must work.
QByteArray feed_bytewise(Rfc2217Client& c, const QByteArray& in, QByteArray& reply) {
    QByteArray data;
    for (char b : in) data += c.receive(QByteArray(1, b), reply);
    return data;
}
} // namespace

TEST(Rfc2217Client, AsksForTheSensorLineAndOffersBinaryMode) {
    Rfc2217Client c;
    const QByteArray start = c.start(LineSettings{});
    // WILL BINARY, WILL SGA, WILL COM-PORT, DO BINARY, DO SGA, then baud 19200
    // (00 00 4B 00), 8 data bits, no parity (1), 1 stop bit (1), no flow control (1).
    EXPECT_EQ(start.toHex(' '), hex("FFFB00 FFFB03 FFFB2C FFFD00 FFFD03"
                                    "FFFA2C0100004B00FFF0 FFFA2C0208FFF0 FFFA2C0301FFF0"
                                    "FFFA2C0401FFF0 FFFA2C0501FFF0")
                                    .toHex(' '));
    EXPECT_FALSE(c.line_confirmed());
    // A baud rate with 0xFF in it is escaped inside the subnegotiation.
    Rfc2217Client odd;
    LineSettings line;
    line.baud = 0xFF;
    EXPECT_TRUE(odd.start(line).contains(hex("FFFA2C01000000FFFFFFF0")));
    // Parity as the option numbers it.
    using P = LineSettings::Parity;
    for (const auto& [parity, asked] : {std::pair{P::Odd, "FFFA2C0302FFF0"},
                                        {P::Even, "FFFA2C0303FFF0"},
                                        {P::Mark, "FFFA2C0304FFF0"},
                                        {P::Space, "FFFA2C0305FFF0"}}) {
        line.parity = parity;
        EXPECT_TRUE(Rfc2217Client().start(line).contains(hex(asked))) << asked;
    }
}

TEST(Rfc2217Client, ServerBytesGiveDataAndAnswers) {
    struct Row {
        const char* name;
        const char* in;    // from the server
        const char* data;  // what the line sent
        const char* reply; // what we owe the server
    };
    const Row rows[] = {
        {"plain data", "3E05F0", "3E05F0", ""},
        {"doubled IAC is one 0xFF", "01FFFF02FFFF", "01FF02FF", ""},
        // ser2net's greeting: it offers echo, which would send our requests back.
        {"ser2net greeting", "FFFB03FFFD03FFFB01FFFE01FFFD00FFFB00FFFD2C", "", "FFFE01"},
        {"unknown option asked of us", "FFFD18", "", "FFFC18"},
        {"unknown option offered", "FFFB1F", "", "FFFE1F"},
        {"binary taken back by the server", "FFFC00", "", "FFFE00"},
        {"a refusal of a refused option is not answered", "FFFC01FFFE18", "", ""},
        // A server asking again and again is refused once an option.
        {"requests repeated", "FFFD18FFFB1FFFFD18FFFB1FFFFD18FFFB1FFFFD19", "",
         "FFFC18FFFE1FFFFC19"},
        {"CR NUL is CR once the server leaves binary mode", "0D00FFFC000D0041", "0D000D41",
         "FFFE00"},
        {"NOP, GA and data mark vanish", "41FFF142FFF943FFF244", "41424344", ""},
        {"modem state notice vanishes", "55FFFA2C6B00FFF066", "5566", ""},
        {"IAC IAC inside a subnegotiation", "FFFA2C6BFFFFFFF07A", "7A", ""},
        {"over-long subnegotiation is cut, data after it kept",
         "FFFA2C6B0000000000000000000000000000000000000000000000000000000000000000"
         "0000000000000000000000000000000000000000000000000000000000000000FFF077",
         "77", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (bool bytewise : {false, true}) {
            Rfc2217Client c;
            c.start(LineSettings{});
            QByteArray reply;
            const QByteArray in = hex(r.in);
            const QByteArray data = bytewise ? feed_bytewise(c, in, reply) : c.receive(in, reply);
            EXPECT_EQ(data.toHex(), hex(r.data).toHex());
            EXPECT_EQ(reply.toHex(), hex(r.reply).toHex());
        }
    }
}

TEST(Rfc2217Client, LineSettingsCountOnlyWhenTheServerConfirmsThem) {
    const QByteArray baud = hex("FFFA2C6500004B00FFF0");
    const QByteArray rest = hex("FFFA2C6608FFF0 FFFA2C6701FFF0 FFFA2C6801FFF0");
    {
        Rfc2217Client c;
        c.start(LineSettings{});
        QByteArray reply;
        c.receive(baud, reply);
        EXPECT_EQ(c.confirmed_baud(), 19200u);
        EXPECT_FALSE(c.line_confirmed());
        feed_bytewise(c, rest, reply);
        EXPECT_TRUE(c.line_confirmed());
        EXPECT_FALSE(c.line_refused());
    }
    {
        // sredird confirms the baud rate in eight bytes: the first four count.
        Rfc2217Client c;
        c.start(LineSettings{});
        QByteArray reply;
        feed_bytewise(c, hex("FFFA2C6500004B0000000000FFF0") + rest, reply);
        EXPECT_EQ(c.confirmed_baud(), 19200u);
        EXPECT_TRUE(c.line_confirmed());
        EXPECT_TRUE(reply.isEmpty());
    }
    {
        // The far port stays at 9600.
        Rfc2217Client c;
        c.start(LineSettings{});
        QByteArray reply;
        c.receive(hex("FFFA2C6500002580FFF0") + rest, reply);
        EXPECT_EQ(c.confirmed_baud(), 9600u);
        EXPECT_TRUE(c.line_refused());
        EXPECT_FALSE(c.line_confirmed());
    }
    {
        // A telnet server without the COM-port option.
        Rfc2217Client c;
        c.start(LineSettings{});
        QByteArray reply;
        c.receive(hex("FFFE2C"), reply);
        EXPECT_TRUE(c.com_port_refused());
        EXPECT_EQ(reply.toHex(), hex("FFFC2C").toHex());
    }
}

TEST(Rfc2217Client, SentDataDoublesIac) {
    Rfc2217Client c;
    c.start(LineSettings{});
    EXPECT_EQ(c.escape(hex("31FF0DFFFF00")).toHex(), hex("31FFFF0DFFFFFFFF00").toHex());
    // Without binary mode from our side a CR travels as CR NUL.
    QByteArray reply;
    c.receive(hex("FFFE00"), reply);
    EXPECT_EQ(c.escape(hex("0D41")).toHex(), QByteArray("0d0041"));
}

// What the port judges a flood by: every command counts, and so does every
// stretch of a subnegotiation that never ends; data and doubled IACs do not.
TEST(Rfc2217Client, CommandsAreCountedForThePortToJudge) {
    Rfc2217Client c;
    c.start(LineSettings{});
    QByteArray reply;
    c.receive(hex("41FFFF42"), reply);
    EXPECT_EQ(c.commands_heard(), 0u);
    c.receive(hex("FFF1FFFD18FFFB18FFFA2C6B00FFF0"), reply);
    EXPECT_EQ(c.commands_heard(), 4u);
    c.receive(hex("FFFA2C") + QByteArray(64 * 1000, '\0'), reply);
    EXPECT_GE(c.commands_heard(), 900u);
}
