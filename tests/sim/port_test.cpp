// The in-process port keeps the rules of the real one: names, settings, a
// closed port, what one read returns, and reads that do not block the event loop.
#include "sim/sim_port.h"

#include "sim_test_util.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {
const QString kSettings = QStringLiteral("19200,n,8,1");
}

TEST(SimPort, OpensOnlyItsOwnNameWithSaneSettings) {
    SimSerialPort port;
    EXPECT_TRUE(port.PortExists(kDemoPortName));
    EXPECT_FALSE(port.PortExists(QStringLiteral("/dev/ttyS0")));
    EXPECT_FALSE(port.OpenPort(QStringLiteral("COM3"), kSettings));
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::NoSuchDevice);
    EXPECT_FALSE(port.OpenPort(kDemoPortName, QStringLiteral("19200;n;8;1")));
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::Setup);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.OpenPort(kDemoPortName, kSettings));
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.ClosePort(), 1);
    EXPECT_EQ(port.ClosePort(), 0); // harmless the second time

    // The caller may name the line as it likes.
    SimSerialPort named(SimLine::demo(), QStringLiteral("Демо"));
    EXPECT_TRUE(named.PortExists(QStringLiteral("Демо")));
    EXPECT_FALSE(named.PortExists(kDemoPortName));
    EXPECT_TRUE(named.OpenPort(QStringLiteral("Демо"), kSettings));
}

TEST(SimPort, ClosedPortReadsEmptyAndWritesNothing) {
    SimSerialPort port;
    EXPECT_EQ(port.WritePort(read_request(1, CMD_READ_STATE)), 0);
    EXPECT_TRUE(port.ReadPort().isEmpty());
    port.OpenPort(kDemoPortName, kSettings);
    EXPECT_EQ(port.WritePort(read_request(1, CMD_READ_STATE)), 4);
    EXPECT_EQ(port.WritePort(QByteArray()), 0);
    port.ClosePort();
    EXPECT_TRUE(port.ReadPort().isEmpty()); // closing dropped the reply
    port.OpenPort(kDemoPortName, kSettings);
    EXPECT_TRUE(port.ReadPort().isEmpty());
}

TEST(SimPort, AReadSeesTheAnswerToThePreviousWriteAtMost255Bytes) {
    auto time = std::make_shared<ManualSimTime>();
    SimSerialPort port(SimLine::demo(), kDemoPortName, time);
    port.OpenPort(kDemoPortName, kSettings);
    port.WritePort(read_request(5, CMD_READ_STATE));
    const QByteArray st = port.ReadPort();
    EXPECT_EQ(st.size(), 22);
    EXPECT_EQ(st, port.line().sensor(5)->state_reply(time->now_us() / 1000));
    EXPECT_TRUE(port.ReadPort().isEmpty());

    // Four table replies waiting: 336 bytes come back as 255 and 81.
    for (int i = 0; i < 4; ++i) port.WritePort(read_request(12, CMD_READ_TABLE));
    EXPECT_EQ(port.pending_bytes(), 336);
    EXPECT_EQ(port.ReadPort().size(), 255);
    EXPECT_EQ(port.ReadPort().size(), 81);

    // A request longer than one chunk still reaches the sensor as one frame.
    QByteArray table(80, '\x01');
    const QByteArray write = request(12, CMD_WRITE_TABLE, 176, table);
    EXPECT_EQ(port.WritePort(write), 87);
    EXPECT_EQ(port.ReadPort(), Control_summ(hex("3E0CF1")));
}

TEST(SimPort, OtherLineSettingsHearNothing) {
    SimSerialPort port;
    ASSERT_TRUE(port.OpenPort(kDemoPortName, QStringLiteral("9600,n,8,1")));
    EXPECT_EQ(port.WritePort(read_request(1, CMD_READ_STATE)), 4);
    EXPECT_TRUE(port.ReadPort().isEmpty());
}

TEST(SimPort, AsyncReadWithWireTimingLeavesTheEventLoopFree) {
    SimSerialPort port;
    port.line().set_wire_timing(true);
    port.OpenPort(kDemoPortName, kSettings);
    port.WritePort(read_request(12, CMD_READ_STATE));

    bool done = false;
    QByteArray got;
    int loops = 0;
    port.ReadAsync([&](QByteArray r) {
        done = true;
        got = r;
    });
    EXPECT_FALSE(done); // not delivered from inside the call
    QElapsedTimer guard;
    guard.start();
    while (!done && guard.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        ++loops;
    }
    ASSERT_TRUE(done);
    EXPECT_EQ(got.size(), 24);
    EXPECT_TRUE(reply_crc_ok(got));
    EXPECT_GT(loops, 1); // the loop kept turning while the bytes came in

    // A cancelled read never calls back; its bytes stay for the next read.
    port.WritePort(read_request(1, CMD_READ_STATE));
    bool called = false;
    port.ReadAsync([&](QByteArray) { called = true; });
    port.CancelRead();
    guard.restart();
    while (guard.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_FALSE(called);
    EXPECT_EQ(port.ReadPort().size(), 22);

    // Without wire timing nothing waits: the answer comes from inside the call.
    port.line().set_wire_timing(false);
    port.WritePort(read_request(1, CMD_READ_ID));
    port.ReadAsync([&](QByteArray r) { got = r; });
    EXPECT_EQ(got.size(), 10);
}
