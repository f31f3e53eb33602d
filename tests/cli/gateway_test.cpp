// zorvik-cli through serial device servers no one here wrote, each on
// loopback in front of zorvik-sim (ser2net raw and RFC 2217, sredird,
// pyserial's example server), and through a gateway that drops the
// connection.  A server whose package is missing is skipped, saying which.
#include "protocol/requests.h"

#include "cli_process.h"

#include "../support/firmware_image_file.h"
#include "../support/rfc2217_servers.h"
#include "../support/scripted_gateways.h"
#include "../support/ser2net_server.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
const QString kRow = QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d,");
} // namespace

namespace {
// What a serial device server at `address` must carry, in front of a
// zorvik-sim line with sensors 0 (serial 4321) and 12, both at firmware 1.7.6:
// each command a row (arguments, status, stdout, stderr).
void commands_through(const QString& address, const QTemporaryDir& dir) {
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    const QString image = dir.filePath(QStringLiteral("fw.cri"));
    ASSERT_TRUE(write_file(image, firmware_image_file(kZorvikLayout, 3)));
    struct Case {
        QStringList args;
        int status;
        QString out; // a regular expression for the whole of stdout
        QString err; // stderr must contain this (empty: stderr must be empty)
    };
    const QString table = dir.filePath(QStringLiteral("t.zvk"));
    const Case cases[] = {
        {{"scan"}, 0, "0\n12\n", ""},
        {{"--address", "12", "info"}, 0, "serial 24050012\nfirmware 176\n", ""},
        {{"--address", "12", "watch", "--count", "2"}, 0, "time,.*\n(" + kRow + "12,.*\n){2}", ""},
        {{"--address", "12", "--yes", "alarm", "20"},
         0,
         "Уст. новый уровень ав. ост. топлива.\n",
         ""},
        {{"--address", "12", "table", "read", table}, 0, "", ""},
        {{"--address", "12", "table", "write", table}, 0, ".*\n", ""},
        // The image is full of 0xFF, and the bootloader's answers carry some.
        {{"flash", image}, 0, "", "-----Готово------"},
        {{"info"}, 0, "serial 4321\nfirmware 176\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString(address + u' ' + c.args.join(u' ')).toStdString());
        const Outcome o = run_cli(QStringList{"--port", address} + c.args, log_dir);
        EXPECT_EQ(o.status, c.status) << show(o);
        EXPECT_TRUE(
            QRegularExpression(QRegularExpression::anchoredPattern(c.out)).match(o.out).hasMatch())
            << show(o);
        if (c.err.isEmpty())
            EXPECT_TRUE(o.err.isEmpty()) << show(o);
        else
            EXPECT_TRUE(o.err.contains(c.err)) << show(o);
        ASSERT_FALSE(o.log.isEmpty()) << show(o);
        EXPECT_EQ(o.log.front(), QStringLiteral("Com Port ") + address + " Open") << show(o);
    }
    EXPECT_EQ(read_file(table).count("\r\n"), 40);
    QFile::remove(table);
}

const QStringList kGatewaySensors{QStringLiteral("0:176:4321"), QStringLiteral("12:176")};
} // namespace

// Through serial device servers no one here wrote, each on loopback in front
// of zorvik-sim.  ser2net raw and RFC 2217 with the far ports set up at 9600
// (RFC 2217 makes them 19200; in raw mode a pseudo-terminal does not care).
TEST(CliEndToEnd, ThroughSer2netInBothModes) {
    if (!Ser2net::installed()) GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    ZorvikSim raw_line(dir.filePath(QStringLiteral("raw")), kGatewaySensors);
    ZorvikSim telnet_line(dir.filePath(QStringLiteral("telnet")), kGatewaySensors);
    ASSERT_TRUE(raw_line.ready() && telnet_line.ready());
    Ser2net server({{dir.filePath(QStringLiteral("raw")), false},
                    {dir.filePath(QStringLiteral("telnet")), true}});
    ASSERT_TRUE(server.ok()) << server.output().toStdString();
    for (int mode : {0, 1}) commands_through(server.address(mode), dir);

    // A server that is not there, and addresses that are no addresses.
    const QString nobody = QStringLiteral("tcp://127.0.0.1:%1").arg(unused_tcp_port());
    struct Refusal {
        QString port;
        int status;
        QString err;
        int log_files;
    };
    const Refusal refusals[] = {
        {nobody, 1, "Адрес " + nobody + ": соединение отвергнуто.", 1},
        {"tcp://127.0.0.1", 2, "Неверный адрес порта tcp://127.0.0.1: нет номера порта.", 0},
        {"rfc2217://gw:notaport", 2, "Неверный адрес порта rfc2217://gw:notaport", 0},
        {"tcp://gw:0", 2, "номер порта вне 1..65535", 0},
        {"tcp://gw:65536", 2, "номер порта вне 1..65535", 0},
        {"ssh://gw:22", 2, "неизвестная схема «ssh»", 0},
        {"tcp://" + QString(254, u'a') + ":4001", 2, "имя узла длиннее 253 знаков", 0},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.port.toStdString());
        const Outcome o = run_cli({"--port", r.port, "scan"}, log_dir);
        EXPECT_EQ(o.status, r.status) << show(o);
        EXPECT_TRUE(o.err.contains(r.err)) << show(o);
        EXPECT_EQ(o.log_files, r.log_files) << show(o);
    }
}

// sredird, started per connection as inetd would; it confirms the baud rate
// with a longer value than the option's.
TEST(CliEndToEnd, ThroughSredird) {
    if (Sredird::program().isEmpty())
        GTEST_SKIP() << "sredird is not installed (the sredird package, scripts/deps.sh)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ZorvikSim line(dir.filePath(QStringLiteral("line")), kGatewaySensors);
    ASSERT_TRUE(line.ready());
    Sredird server(dir.filePath(QStringLiteral("line")));
    ASSERT_TRUE(server.ok());
    commands_through(server.address(), dir);
}

// pyserial's RFC 2217 server, as python3-serial ships it among its examples.
TEST(CliEndToEnd, ThroughPyserialsRfc2217Server) {
    if (PyserialServer::example().isEmpty())
        GTEST_SKIP() << "pyserial's rfc2217_server.py is not there (python3-serial, "
                        "scripts/deps.sh)";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ZorvikSim line(dir.filePath(QStringLiteral("line")), kGatewaySensors);
    ASSERT_TRUE(line.ready());
    PyserialServer server(dir.filePath(QStringLiteral("line")));
    ASSERT_TRUE(server.ok()) << server.output().toStdString();
    commands_through(server.address(), dir);
}

// A gateway that drops the connection when the request comes: the loss is
// said as such, naming the address, not as a sensor that did not answer.
TEST(CliEndToEnd, ADroppedGatewayConnectionIsSaidAsSuch) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString log_dir = dir.filePath(QStringLiteral("log"));
    for (bool rfc2217 : {false, true}) {
        DroppingServer gateway(rfc2217, request::read_id(0).left(3));
        SCOPED_TRACE(gateway.address().toStdString());
        const Outcome o = run_cli({"--port", gateway.address(), "info"}, log_dir);
        EXPECT_TRUE(gateway.dropped());
        EXPECT_EQ(o.status, 1) << show(o);
        EXPECT_EQ(o.err, "Адрес " + gateway.address() + ": соединение потеряно.\n") << show(o);
        EXPECT_TRUE(o.log.contains("Адрес " + gateway.address() + ": соединение потеряно."))
            << show(o);
    }
}
