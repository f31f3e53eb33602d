// Addresses of serial device servers as the user types them.
#include "link/network_address.h"

#include <gtest/gtest.h>

#include <vector>

TEST(NetworkAddress, WellFormedAndMalformedAddresses) {
    using Mode = NetworkAddress::Mode;
    struct Row {
        const char* text;
        bool network; // taken as an address at all (never opened as a device)
        bool ok;
        Mode mode = Mode::RawTcp;
        const char* host = "";
        uint16_t port = 0;
        const char* reason = ""; // part of the message when refused
    };
    const Row rows[] = {
        {"tcp://127.0.0.1:4001", true, true, Mode::RawTcp, "127.0.0.1", 4001},
        {"rfc2217://gateway.depot.example:2217", true, true, Mode::Rfc2217, "gateway.depot.example",
         2217},
        {"\\\\.\\tcp://gw:1", true, true, Mode::RawTcp, "gw", 1},
        {"TCP://gw:65535", true, true, Mode::RawTcp, "gw", 65535},
        {"tcp://[::1]:4001", true, true, Mode::RawTcp, "::1", 4001},
        {"rfc2217://[fe80::1%eth0]:7000", true, true, Mode::Rfc2217, "fe80::1%eth0", 7000},
        {"tcp://host", true, false, {}, "", 0, "нет номера порта"},
        {"tcp://host:", true, false, {}, "", 0, "номер порта не число"},
        {"tcp://host:notaport", true, false, {}, "", 0, "номер порта не число"},
        {"tcp://host:0", true, false, {}, "", 0, "вне 1..65535"},
        {"tcp://host:65536", true, false, {}, "", 0, "вне 1..65535"},
        {"tcp://host:123456", true, false, {}, "", 0, "номер порта не число"},
        {"tcp://:4001", true, false, {}, "", 0, "неверное имя узла"},
        {"tcp://a b:4001", true, false, {}, "", 0, "неверное имя узла"},
        {"tcp://::1:4001", true, false, {}, "", 0, "в скобках"},
        {"tcp://[::1]4001", true, false, {}, "", 0, "нет номера порта"},
        {"tcp://[host]:4001", true, false, {}, "", 0, "не адрес IPv6"},
        {"udp://host:4001", true, false, {}, "", 0, "неизвестная схема «udp»"},
        {"telnet://host:23", true, false, {}, "", 0, "неизвестная схема"},
        {"/dev/ttyUSB0", false, false},
        {"COM3", false, false},
        {"\\\\.\\COM3", false, false},
        {"Демо-линия", false, false},
    };
    // The longest host name is taken; one character more is bad input.
    const QByteArray longest = "tcp://" + QByteArray(253, 'a') + ":4001";
    const QByteArray long_host(253, 'a');
    const QByteArray too_long = "tcp://" + QByteArray(254, 'a') + ":4001";
    const Row lengths[] = {
        {longest.constData(), true, true, Mode::RawTcp, long_host.constData(), 4001},
        {too_long.constData(), true, false, {}, "", 0, "длиннее 253"},
    };
    std::vector<Row> all(std::begin(rows), std::end(rows));
    all.insert(all.end(), std::begin(lengths), std::end(lengths));
    for (const Row& r : all) {
        SCOPED_TRACE(r.text);
        const QString text = QString::fromUtf8(r.text);
        EXPECT_EQ(is_network_address(text), r.network);
        QString why;
        const auto a = parse_network_address(text, &why);
        ASSERT_EQ(a.has_value(), r.ok) << why.toStdString();
        if (a) {
            EXPECT_EQ(a->mode, r.mode);
            EXPECT_EQ(a->host, QString::fromUtf8(r.host));
            EXPECT_EQ(a->port, r.port);
            // Written back as the user would write it.
            EXPECT_EQ(parse_network_address(a->text())->host, a->host);
        } else if (r.network) {
            // The message names what was typed and why it is refused.
            EXPECT_TRUE(why.contains(text.left(79))) << why.toStdString();
            EXPECT_LT(why.size(), 200) << why.toStdString();
            EXPECT_TRUE(why.contains(QString::fromUtf8(r.reason))) << why.toStdString();
        }
    }
}
