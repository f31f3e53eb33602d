// The line on a pseudo-terminal, talked to with nothing but open(), read()
// and write(): the in-library server and the zorvik-sim program.
#include "link/network_port.h"
#include "protocol/firmware_image.h"
#include "protocol/line_settings.h"
#include "sim/pty_server.h"
#include "sim/sim_firmware_image.h"
#include "sim/sim_options.h"

#include "sim_test_util.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <functional>

#include <gtest/gtest.h>

TEST(SimPty, PosixClientTalksToTheServer) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("line"));
    PtyServer server(SimLine::demo());
    QString error;
    ASSERT_TRUE(server.start(link, &error)) << error.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), server.slave_path());

    PosixClient client(link);
    ASSERT_TRUE(client.ok());
    EXPECT_EQ(client.exchange(hex("31FFDC")), hex("01050C"));
    const QByteArray st = client.exchange(read_request(12, CMD_READ_STATE));
    ASSERT_EQ(st.size(), 24);
    EXPECT_TRUE(reply_crc_ok(st));
    EXPECT_EQ(client.exchange(request(5, CMD_SET_ALARM_LEVEL, 163, hex("21"))),
              hex("3E05EE21") + QByteArray(1, static_cast<char>(crc8(hex("3E05EE21")))));
    EXPECT_EQ(server.with_line([](SimLine& l) { return l.sensor(5)->config().alarm_level; }), 0x21);

    // Requests for nobody, or damaged, get silence.
    EXPECT_TRUE(client.exchange(read_request(99, CMD_READ_STATE), 60, 300).isEmpty());
    QByteArray bad = read_request(1, CMD_READ_STATE);
    bad.back() = static_cast<char>(bad.back() + 1);
    EXPECT_TRUE(client.exchange(bad, 60, 300).isEmpty());

    // Faults reach a client on the pseudo-terminal as well.
    server.with_line([](SimLine& l) { l.inject_fault(1, SimFault::BadCrc, 1); });
    const QByteArray spoilt = client.exchange(read_request(1, CMD_READ_ID));
    EXPECT_EQ(spoilt.size(), 10);
    EXPECT_FALSE(reply_crc_ok(spoilt));

    server.stop();
    EXPECT_FALSE(QFileInfo::exists(link));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(SimPty, QSerialPortOpensTheLink) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyQ"));
    PtyServer server(SimLine::demo());
    server.with_line([](SimLine& l) { l.set_wire_timing(true); });
    ASSERT_TRUE(server.start(link));
    QSerialPort port;
    port.setPortName(link);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite)) << port.errorString().toStdString();
    ASSERT_TRUE(port.setBaudRate(QSerialPort::Baud19200));
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    port.write(read_request(12, CMD_READ_STATE));
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < 24 && clock.elapsed() < 2000)
        if (port.waitForReadyRead(100)) got += port.readAll();
    EXPECT_EQ(got.size(), 24);
    EXPECT_TRUE(reply_crc_ok(got));
}

TEST(SimPty, BootloaderOverThePseudoTerminal) {
    PtyServer server(SimLine::demo());
    ASSERT_TRUE(server.start(QString()));
    server.with_line([](SimLine& l) { l.enter_bootloader(5); });
    PosixClient client(server.device_path());
    ASSERT_TRUE(client.ok());
    EXPECT_EQ(client.exchange(hex("7F")), hex("79"));
    EXPECT_EQ(client.exchange(hex("31CE")), hex("79"));
    EXPECT_EQ(client.exchange(hex("00009000 90")), hex("79"));
    EXPECT_EQ(client.exchange(hex("03 DEADBEEF") + bytes({0x03 ^ 0xDE ^ 0xAD ^ 0xBE ^ 0xEF})),
              hex("79"));
    EXPECT_EQ(client.exchange(hex("21DE")), hex("79"));
    EXPECT_EQ(server.with_line([](SimLine& l) { return l.bootloader(5)->memory(0x9000, 4); }),
              hex("DEADBEEF"));
    EXPECT_EQ(client.exchange(read_request(5, CMD_READ_STATE)).size(), 22);
}

TEST(SimPty, VanishingLineFailsTheClient) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyZ"));
    PtyServer server(SimLine::demo());
    ASSERT_TRUE(server.start(link));
    PosixClient client(link);
    ASSERT_TRUE(client.ok());
    EXPECT_EQ(client.exchange(read_request(1, CMD_READ_ID)).size(), 10);
    server.vanish();
    for (int i = 0; i < 100 && QFileInfo(link).isSymLink(); ++i) QThread::msleep(10);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    client.read_for(50, 500);
    EXPECT_TRUE(client.failed());
    server.stop();
}

TEST(SimPty, WhatAClientLeftUnreadNeverReachesTheNextOne) {
    PtyServer server(SimLine::demo());
    ASSERT_TRUE(server.start(QString()));
    auto wait_for = [](auto done) {
        for (int i = 0; i < 500 && !done(); ++i) QThread::msleep(10);
        return done();
    };
    {
        PosixClient first(server.device_path());
        ASSERT_TRUE(first.ok());
        // More than the pty and the queue hold, and endless noise on top:
        // the queue stays bounded while nobody reads.
        server.send_noise(QByteArray(3 * PtyServer::kMaxQueued, '\x55'));
        server.set_noise(PtyServer::kNoiseFullSpeed);
        EXPECT_TRUE(wait_for([&] { return server.queued() >= PtyServer::kMaxQueued / 2; }));
        for (int i = 0; i < 20; ++i) {
            EXPECT_LE(server.queued(), PtyServer::kMaxQueued);
            QThread::msleep(5);
        }
        server.set_noise(0);
        EXPECT_GT(first.read_for(20, 200).size(), 0);
    }
    EXPECT_TRUE(wait_for([&] { return server.queued() == 0; })) << server.queued();
    EXPECT_GE(server.peer_changes(), 1u);

    PosixClient next(server.device_path());
    ASSERT_TRUE(next.ok());
    EXPECT_TRUE(next.read_for(50, 300).isEmpty());
    const QByteArray st = next.exchange(read_request(12, CMD_READ_STATE));
    EXPECT_EQ(st.size(), 24);
    EXPECT_TRUE(reply_crc_ok(st));
}

TEST(SimPty, RefusesToReplaceSomethingThatIsNotALink) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    PtyServer server(SimLine::demo());
    QString error;
    EXPECT_FALSE(server.start(path, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("not a symbolic link"))) << error.toStdString();
    EXPECT_TRUE(QFileInfo(path).isFile());
}

// ---------------------------------------------------------------- zorvik-sim

namespace {
QString sim_program() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zorvik-sim");
}
} // namespace

TEST(ZorvikSim, ServesTheLinkUntilTerminated) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("zorvik"));
    QProcess sim;
    sim.start(sim_program(),
              {QStringLiteral("--link"), link, QStringLiteral("--sensor"),
               QStringLiteral("7:176:12345"), QStringLiteral("--sensor=9:130::4321")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    EXPECT_EQ(QString::fromLocal8Bit(sim.readLine()).trimmed(), link);
    {
        PosixClient client(link);
        ASSERT_TRUE(client.ok());
        EXPECT_EQ(client.exchange(hex("31FFDC")), hex("0709"));
        EXPECT_EQ(client.exchange(read_request(7, CMD_READ_ID)),
                  Control_summ(hex("3E07FC39300000B000")));
        EXPECT_EQ(client.exchange(read_request(9, CMD_READ_STATE)).size(), 22);
        // Sensor 9 was given a password: changes wait for it.
        const QByteArray alarm = request(9, CMD_SET_ALARM_LEVEL, 130, hex("21"));
        EXPECT_EQ(client.exchange(alarm), Control_summ(hex("3E09FD")));
        EXPECT_EQ(client.exchange(request(9, CMD_ENTER_PASSWORD, 130, hex("000010E1"))),
                  Control_summ(hex("3E09F8")));
        EXPECT_EQ(client.exchange(alarm), Control_summ(hex("3E09EE21")));
    }
    sim.terminate(); // SIGTERM
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

// The link and both network ports at once, each with a client: every one
// gets every answer it asked for and none of another's, and it is one line
// (a password presented on one front end counts on the others).
TEST(ZorvikSim, EveryFrontEndServesTheLineAsWellAsAlone) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("zorvik"));
    QProcess sim;
    sim.start(sim_program(),
              {QStringLiteral("--link"), link, QStringLiteral("--tcp=0"),
               QStringLiteral("--rfc2217=0"), QStringLiteral("--sensor=1:176"),
               QStringLiteral("--sensor=5:163"), QStringLiteral("--sensor=12:176::4321")});
    ASSERT_TRUE(sim.waitForStarted(5000));
    QStringList printed;
    while (printed.size() < 3 && sim.waitForReadyRead(5000))
        while (sim.canReadLine()) printed << QString::fromLocal8Bit(sim.readLine()).trimmed();
    ASSERT_EQ(printed.size(), 3) << printed.join(u' ').toStdString();
    PosixClient local(link);
    ASSERT_TRUE(local.ok());
    // One network client at a time (a new one takes the line from the old).
    for (int net = 1; net <= 2; ++net) {
        NetworkPort port;
        ASSERT_TRUE(port.OpenPort(printed[net], kSensorLineSettings)) << printed[net].toStdString();
        const std::function<QByteArray(const QByteArray&)> front_ends[] = {
            [&](const QByteArray& frame) { return local.exchange(frame); },
            [&](const QByteArray& frame) {
                return port.WritePort(frame) == frame.size() ? port.ReadPort() : QByteArray();
            }};
        for (int round = 0; round < 5; ++round) {
            for (int i = 0; i < 2; ++i) {
                SCOPED_TRACE(QStringLiteral("round %1, %2")
                                 .arg(round)
                                 .arg(printed[i ? net : 0])
                                 .toStdString());
                const auto& ask = front_ends[i];
                EXPECT_EQ(ask(hex("31FFDC")).toHex(), "01050c");
                EXPECT_EQ(ask(read_request(5, CMD_READ_ID)).size(), 10);
                EXPECT_EQ(ask(read_request(12, CMD_READ_STATE)).size(), 24);
            }
        }
        if (net == 2) {
            // The password goes in through the link; the network's change is taken.
            EXPECT_EQ(local.exchange(request(12, CMD_ENTER_PASSWORD, 176, hex("000010E1"))),
                      Control_summ(hex("3E0CF8")));
            EXPECT_EQ(front_ends[1](request(12, CMD_SET_ALARM_LEVEL, 176, hex("21"))),
                      Control_summ(hex("3E0CEE21")));
        }
    }
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
}

TEST(ZorvikSim, DefaultLineWireTimingAndBootloader) {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("z"));
    QProcess sim;
    sim.start(sim_program(), {QStringLiteral("--link"), link, QStringLiteral("--wire-timing"),
                              QStringLiteral("--bootloader")});
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    {
        PosixClient client(link);
        ASSERT_TRUE(client.ok());
        // Bytes go at line rate here; a loaded machine can pause the simulator
        // between two of them longer than the usual quiet time.
        const auto exchange = [&](const QByteArray& frame) { return client.exchange(frame, 250); };
        EXPECT_EQ(exchange(hex("31FFDC")), hex("050C")); // address 1 is in its bootloader
        EXPECT_EQ(exchange(hex("7F")), hex("79"));
        EXPECT_EQ(exchange(hex("21DE")), hex("79"));
        EXPECT_EQ(exchange(hex("31FFDC")), hex("01050C"));
        // A new upload synchronising finds it switched on into its bootloader.
        // The loader takes the scan for a command and refuses it.
        EXPECT_EQ(exchange(hex("7F")), hex("79"));
        EXPECT_EQ(exchange(hex("31FFDC")), hex("1F050C"));
    }
    ::kill(static_cast<pid_t>(sim.processId()), SIGINT);
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo(link).isSymLink());
}

TEST(ZorvikSim, BadOptionsExitWithStatus2AndHelpNamesEveryOption) {
    const QStringList bad[] = {
        {},
        {QStringLiteral("--link")},
        {QStringLiteral("--link"), QStringLiteral("/tmp/x"), QStringLiteral("--sensor"),
         QStringLiteral("256:176")},
        {QStringLiteral("--link=/tmp/x"), QStringLiteral("--sensor"), QStringLiteral("5")},
        {QStringLiteral("--link=/tmp/x"), QStringLiteral("--sensor=5:17x")},
        {QStringLiteral("--link=/tmp/x"), QStringLiteral("--sensor=5:176:4294967296")},
        {QStringLiteral("--link=/tmp/x"), QStringLiteral("--speed")},
        {QStringLiteral("--link=/tmp/x"), QStringLiteral("--wire-timing=yes")},
        // Not the start of a flash block: inside one, below, past the end.
        {QStringLiteral("--link=/tmp/x"), QStringLiteral("--worn-block=0x9001")},
        {QStringLiteral("--link=/tmp/x"), QStringLiteral("--worn-block=0x7F80")},
        {QStringLiteral("--link=/tmp/x"), QStringLiteral("--worn-block=0x18000")}};
    for (const QStringList& args : bad) {
        QProcess sim;
        sim.start(sim_program(), args);
        ASSERT_TRUE(sim.waitForFinished(5000));
        EXPECT_EQ(sim.exitCode(), 2) << args.join(u' ').toStdString();
        const QString err = QString::fromLocal8Bit(sim.readAllStandardError());
        EXPECT_TRUE(err.startsWith(QStringLiteral("zorvik-sim: "))) << err.toStdString();
        EXPECT_TRUE(sim.readAllStandardOutput().isEmpty());
    }
    QProcess help;
    help.start(sim_program(), {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(5000));
    EXPECT_EQ(help.exitCode(), 0);
    const QString text = QString::fromLocal8Bit(help.readAllStandardOutput());
    for (const char* option : {"--link PATH", "--tcp PORT", "--rfc2217 PORT",
                               "--sensor ADDR:VERSION[:SERIAL[:PASSWORD]]", "--wire-timing",
                               "--bootloader", "--worn-block ADDR", "--make-image FILE", "--help"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(option))) << option;
}

TEST(ZorvikSim, OptionParsing) {
    QString error;
    const auto o = parse_sim_options(
        {QStringLiteral("--sensor"), QStringLiteral("0:95"), QStringLiteral("--link=/tmp/l"),
         QStringLiteral("--sensor=255:255:4294967295"), QStringLiteral("--wire-timing"),
         QStringLiteral("--worn-block"), QStringLiteral("0x17F80")},
        error);
    ASSERT_TRUE(o) << error.toStdString();
    EXPECT_EQ(o->link, QStringLiteral("/tmp/l"));
    ASSERT_EQ(o->sensors.size(), 2u);
    EXPECT_EQ(o->sensors[0].address, 0);
    EXPECT_EQ(o->sensors[0].version, 95);
    EXPECT_FALSE(o->sensors[0].serial);
    EXPECT_EQ(o->sensors[1].address, 255);
    EXPECT_EQ(o->sensors[1].serial, 4294967295u);
    EXPECT_TRUE(o->wire_timing);
    EXPECT_FALSE(o->bootloader);
    EXPECT_EQ(o->worn_block, 0x17F80u);

    EXPECT_FALSE(parse_sim_options(
        {QStringLiteral("--link=/tmp/l"), QStringLiteral("--sensor=-1:176")}, error));
    EXPECT_TRUE(error.contains(QStringLiteral("'-1'"))) << error.toStdString();
    EXPECT_FALSE(parse_sim_options(
        {QStringLiteral("--link=/tmp/l"), QStringLiteral("--sensor= 5:176")}, error));
    EXPECT_FALSE(
        parse_sim_options({QStringLiteral("--link=/tmp/l"), QStringLiteral("--sensor=5:176"),
                           QStringLiteral("--sensor=7:130"), QStringLiteral("--sensor=5:130")},
                          error));
    EXPECT_EQ(error, QStringLiteral("two sensors at address 5"));
    EXPECT_TRUE(parse_sim_options({QStringLiteral("--help")}, error)->help);

    // Served on TCP instead of (or besides) a link; some place to serve is needed.
    const auto net = parse_sim_options(
        {QStringLiteral("--tcp"), QStringLiteral("4001"), QStringLiteral("--rfc2217=0")}, error);
    ASSERT_TRUE(net) << error.toStdString();
    EXPECT_TRUE(net->link.isEmpty());
    EXPECT_EQ(net->tcp_port, uint16_t(4001));
    EXPECT_EQ(net->rfc2217_port, uint16_t(0));
    for (const char* bad : {"65536", "-1", "x", ""})
        EXPECT_FALSE(parse_sim_options({QStringLiteral("--tcp=") + bad}, error)) << bad;
    EXPECT_FALSE(parse_sim_options({QStringLiteral("--wire-timing")}, error));
    EXPECT_TRUE(error.contains(QStringLiteral("--tcp PORT"))) << error.toStdString();

    // A password, with the serial left at its default or given.
    const std::pair<const char*, std::pair<std::optional<uint32_t>, uint32_t>> good[] = {
        {"5:176::1234", {std::nullopt, 1234}},
        {"5:176:77:2000000000", {77, 2'000'000'000}},
        {"5:176:77", {77, 0}}};
    for (const auto& [sensor_arg, want] : good) {
        const auto p = parse_sim_options(
            {QStringLiteral("--link=/tmp/l"), QStringLiteral("--sensor=") + sensor_arg}, error);
        ASSERT_TRUE(p) << sensor_arg << error.toStdString();
        EXPECT_EQ(p->sensors[0].serial, want.first) << sensor_arg;
        EXPECT_EQ(p->sensors[0].password, want.second) << sensor_arg;
    }
    for (const char* sensor_arg :
         {"5:176::2000000001", "5:176::-1", "5:176::", "5:176:1:2:3", "5:176:"})
        EXPECT_FALSE(parse_sim_options(
            {QStringLiteral("--link=/tmp/l"), QStringLiteral("--sensor=") + sensor_arg}, error))
            << sensor_arg;
}

TEST(ZorvikSim, MakeImageWritesAFirmwareImageAndExits) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("try.cri"));
    QProcess sim;
    sim.start(sim_program(), {QStringLiteral("--make-image"), path});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(kImageMaxSize), sim_firmware_image());
    // A folder that is not there: said, status 1.
    sim.start(sim_program(), {QStringLiteral("--make-image=") + dir.filePath("no/such.cri")});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 1);
}
