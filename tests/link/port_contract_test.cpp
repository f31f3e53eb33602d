// One contract for every SerialPort the program talks through: the test
// fake, the in-process simulated line, the real port over a pseudo-terminal
// and the network port, raw and RFC 2217, in front of that pseudo-terminal.  What the exchange
// cycle and the sessions rely on holds for every one of them.
#include "../support/fake_serial_port.h"

#include "link/network_port.h"
#include "link/qt_serial_port.h"
#include "protocol/frame_codec.h"
#include "protocol/line_settings.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "protocol/session.h"
#include "sim/pty_server.h"
#include "sim/sim_port.h"
#include "sim/tcp_line_server.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <memory>

#include <gtest/gtest.h>

namespace {
// A port and the name it opens by, with a sensor at address 5 behind it.
struct FakeLine {
    FakeSerialPort port;
    QString device = QStringLiteral("COM5");
    FakeLine() {
        port.responder = [](const QByteArray& written) -> QByteArray {
            const auto address = uint8_t(written.size() > 1 ? written[1] : 0);
            if (written == request::read_state(address) && address == 5)
                return Control_summ(
                    QByteArray::fromHex("3E05F0152C03C1B0130060EA000050BD01001000"));
            if (written == request::read_id(address) && address == 5)
                return Control_summ(QByteArray::fromHex("3E05FC39300000B000"));
            return {};
        };
    }
};

struct SimLinePort {
    SimSerialPort port{SimLine::demo(), QStringLiteral("demo")};
    QString device = QStringLiteral("demo");
};

struct PtyLinePort {
    PtyServer server{SimLine::demo()};
    QtSerialPort port;
    QString device;
    PtyLinePort() {
        server.start({});
        device = server.device_path();
    }
};

// The simulated line behind zorvik-sim's own serial device server.
template <TcpLineServer::Mode M> struct NetworkLinePort {
    PtyServer server{SimLine::demo()};
    std::unique_ptr<TcpLineServer> gateway;
    NetworkPort port;
    QString device;
    NetworkLinePort() {
        server.start({});
        gateway = std::make_unique<TcpLineServer>(server.slave_path());
        gateway->listen(M, 0);
        gateway->start();
        device = QStringLiteral("%1://127.0.0.1:%2")
                     .arg(M == TcpLineServer::Mode::Raw ? QStringLiteral("tcp")
                                                        : QStringLiteral("rfc2217"))
                     .arg(gateway->port(M));
    }
};
using RawTcpLinePort = NetworkLinePort<TcpLineServer::Mode::Raw>;
using Rfc2217LinePort = NetworkLinePort<TcpLineServer::Mode::Rfc2217>;

template <class Line> class PortContract : public ::testing::Test {
protected:
    Line line;
    SerialPort& port() { return line.port; }
    bool open() { return port().OpenPort(line.device, kSensorLineSettings); }

    // Reads until a whole frame is there or a second has passed, as a
    // session does.
    QByteArray answer() {
        QByteArray got;
        QDeadlineTimer deadline(1000);
        while (!deadline.hasExpired() && !(is_framed(got) && reply_crc_ok(got))) {
            QCoreApplication::processEvents();
            got += port().ReadPort();
        }
        return got;
    }
};

using Lines = ::testing::Types<FakeLine, SimLinePort, PtyLinePort, RawTcpLinePort, Rfc2217LinePort>;
TYPED_TEST_SUITE(PortContract, Lines);

// The lines whose bytes come in the background, with real pauses between them.
template <class Line> class LinePauses : public PortContract<Line> {};
using PausedLines = ::testing::Types<PtyLinePort, RawTcpLinePort, Rfc2217LinePort>;
TYPED_TEST_SUITE(LinePauses, PausedLines);
} // namespace

TYPED_TEST(PortContract, AClosedPortReadsNothingAndWritesNothing) {
    SerialPort& p = this->port();
    EXPECT_FALSE(p.IsOpen());
    EXPECT_TRUE(p.ReadPort().isEmpty());
    EXPECT_EQ(p.WritePort(request::read_state(5)), 0);
    EXPECT_EQ(p.ClosePort(), 0);
    EXPECT_EQ(p.ClosePort(), 0);
}

TYPED_TEST(PortContract, ARequestIsAnsweredByTheNextReads) {
    ASSERT_TRUE(this->open());
    SerialPort& p = this->port();
    EXPECT_TRUE(p.IsOpen());
    const QByteArray request = request::read_state(5);
    EXPECT_EQ(p.WritePort(request), request.size());
    const QByteArray reply = this->answer();
    ASSERT_TRUE(reply_crc_ok(reply)) << to_hex(reply).toStdString();
    EXPECT_EQ(reply_header(reply)->code, 0xF0);
    EXPECT_EQ(decode_state(reply).address, 5);
    // Nothing more is on its way: the next read comes back empty.
    EXPECT_TRUE(p.ReadPort().isEmpty());
    EXPECT_EQ(p.ClosePort(), 1);
    EXPECT_FALSE(p.IsOpen());
    EXPECT_TRUE(p.ReadPort().isEmpty());
}

TYPED_TEST(PortContract, ASessionGetsTypedReplies) {
    ASSERT_TRUE(this->open());
    Session session(this->port());
    const auto id = session.read_identity(5);
    ASSERT_TRUE(id.ok()) << id.error().text.toStdString();
    EXPECT_GT(*id->version, 0);
    const auto state = session.read_state(5);
    ASSERT_TRUE(state.ok()) << state.error().text.toStdString();
    EXPECT_EQ(state->address, 5);
    // Nobody lives at 200.
    const auto none = session.read_state(200);
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.error().kind, ErrorKind::NoAnswer);
}

TYPED_TEST(PortContract, AnAnswerOfKnownLengthIsTakenAsSoonAsItIsThere) {
    ASSERT_TRUE(this->open());
    SerialPort& p = this->port();
    const QByteArray request = request::read_state(5);
    ASSERT_EQ(p.WritePort(request), request.size());
    const QByteArray head = p.ReadExpected(3, 1000);
    ASSERT_EQ(head.size(), 3);
    EXPECT_EQ(uint8_t(head[0]), 0x3E);
    // Asked for more than comes: what came, once the time is up.
    const QByteArray rest = p.ReadExpected(100, 300);
    EXPECT_TRUE(reply_crc_ok(head + rest)) << to_hex(head + rest).toStdString();
    EXPECT_TRUE(p.ReadExpected(1, 50).isEmpty());
}

// A read ends 20 ms after the last byte: a reply that pauses longer in the
// middle comes back in two reads, over a network gateway as well.
TYPED_TEST(LinePauses, APauseInAReplyEndsTheRead) {
    this->line.server.with_line([](SimLine& l) {
        l.set_split_pause_ms(150);
        l.inject_fault(5, SimFault::Split, 1);
    });
    ASSERT_TRUE(this->open());
    SerialPort& p = this->port();
    const QByteArray request = request::read_state(5);
    ASSERT_EQ(p.WritePort(request), request.size());
    const QByteArray first = p.ReadPort();
    const QByteArray second = p.ReadPort();
    EXPECT_FALSE(first.isEmpty());
    EXPECT_FALSE(second.isEmpty());
    EXPECT_TRUE(reply_crc_ok(first + second)) << to_hex(first + second).toStdString();
}

// An answer that came and was not read is gone after a discard.
TYPED_TEST(LinePauses, ADiscardDropsWhatCameUnread) {
    ASSERT_TRUE(this->open());
    SerialPort& p = this->port();
    const QByteArray request = request::read_state(5);
    ASSERT_EQ(p.WritePort(request), request.size());
    QThread::msleep(200); // the answer is in
    p.DiscardInput();
    EXPECT_TRUE(p.ReadPort().isEmpty());
}
