// The network port against a real serial device server: ser2net on loopback
// in front of pseudo-terminals, in raw TCP and in RFC 2217 mode; and against a
// scripted telnet server where the bytes we answer with count.
#include "link/network_port.h"

#include "../support/pty_pair.h"
#include "../support/scripted_gateways.h"
#include "../support/ser2net_server.h"

#include "protocol/line_settings.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "protocol/session.h"
#include "sim/pty_server.h"
#include "sim/tcp_line_server.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <termios.h>

#include <algorithm>
#include <thread>

namespace {

#define NEED_SER2NET()                                                                             \
    if (!Ser2net::installed()) GTEST_SKIP() << "ser2net is not installed (scripts/deps.sh)"

// Every byte value, and the telnet commands a careless escape would send.
QByteArray awkward_bytes() {
    QByteArray b;
    for (int i = 0; i < 256; ++i) b.append(char(i));
    return b + QByteArray::fromHex("FFFFFFFAFFF0FFFB01FF");
}

speed_t far_speed(const PtyPair& far, speed_t expected) {
    // ser2net sets the device up as the connection comes; give it a moment.
    QDeadlineTimer deadline(2000);
    speed_t s = 0;
    do {
        termios t{};
        tcgetattr(far.slave_fd(), &t);
        s = cfgetospeed(&t);
        if (s == expected) break;
        QThread::msleep(10);
    } while (!deadline.hasExpired());
    return s;
}

QByteArray read_until(SerialPort& port, int count, int timeout_ms) {
    QByteArray got;
    QDeadlineTimer deadline(timeout_ms);
    while (got.size() < count && !deadline.hasExpired()) got += port.ReadPort();
    return got;
}

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST(Ser2net, EveryByteValuePassesBothWaysAndTheFarPortIsSet) {
    NEED_SER2NET();
    PtyPair far_ports[2];
    ASSERT_TRUE(far_ports[0].ok() && far_ports[1].ok());
    // The far ports are configured at 9600; RFC 2217 must make it 19200.
    Ser2net server({{far_ports[0].slave_path(), false}, {far_ports[1].slave_path(), true}});
    ASSERT_TRUE(server.ok()) << server.output().toStdString();
    const QByteArray bytes = awkward_bytes();
    for (int i : {0, 1}) {
        SCOPED_TRACE(server.address(i).toStdString());
        PtyPair& far = far_ports[i];
        NetworkPort port;
        ASSERT_TRUE(port.OpenPort(server.address(i), kSensorLineSettings))
            << port.LastOpenMessage().toStdString();
        EXPECT_EQ(far_speed(far, i ? B19200 : B9600), i ? B19200 : B9600);
        EXPECT_EQ(port.WritePort(bytes), bytes.size());
        EXPECT_EQ(far.read(int(bytes.size()), 2000).toHex(), bytes.toHex());
        ASSERT_TRUE(far.write(bytes));
        EXPECT_EQ(read_until(port, int(bytes.size()), 2000).toHex(), bytes.toHex());
        // Nothing else came: no telnet left in the data.
        EXPECT_TRUE(port.ReadPort().isEmpty());
        EXPECT_TRUE(far.read_until_quiet(50).isEmpty());
        EXPECT_EQ(port.ClosePort(), 1);
    }
}

TEST(Ser2net, ASensorAnswersFromTheWindowsThreadAndFromAWorker) {
    NEED_SER2NET();
    PtyServer lines[2] = {PtyServer(SimLine::demo()), PtyServer(SimLine::demo())};
    ASSERT_TRUE(lines[0].start({}) && lines[1].start({}));
    Ser2net server({{lines[0].slave_path(), false}, {lines[1].slave_path(), true}});
    ASSERT_TRUE(server.ok()) << server.output().toStdString();
    for (int i : {0, 1}) {
        SCOPED_TRACE(server.address(i).toStdString());
        NetworkPort port;
        ASSERT_TRUE(port.OpenPort(server.address(i), kSensorLineSettings))
            << port.LastOpenMessage().toStdString();
        // The exchange cycle's way: write, then ReadAsync without blocking.
        Session session(port);
        ASSERT_EQ(port.WritePort(request::read_state(12)), request::read_state(12).size());
        QByteArray reply;
        bool done = false;
        port.ReadAsync([&](QByteArray d) {
            reply = std::move(d);
            done = true;
        });
        QDeadlineTimer deadline(2000);
        while (!done && !deadline.hasExpired()) QCoreApplication::processEvents();
        ASSERT_TRUE(done);
        EXPECT_EQ(decode_state(reply).address, 12);
        // The firmware upload's way: blocking calls from a worker thread.
        Result<IdentityReply> id = Error{ErrorKind::NoAnswer, {}};
        std::thread worker([&] { id = session.read_identity(5); });
        worker.join();
        ASSERT_TRUE(id.ok()) << id.error().text.toStdString();
        EXPECT_EQ(*id->serial, 24050005u);
    }
}

// A telnet server's offers we do not take are refused on the wire, not
// left unanswered.
TEST(Ser2net, TheServersOptionOffersAreAnswered) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    NetworkPort port;
    bool opened = false;
    std::thread opener([&] {
        opened = port.OpenPort(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.serverPort()),
                               kSensorLineSettings);
    });
    // WILL ECHO, DO TERMINAL-TYPE, then the line settings confirmed.
    QTcpSocket* far = server.waitForNewConnection(5000) ? server.nextPendingConnection() : nullptr;
    if (far) {
        far->write(QByteArray::fromHex("FFFB01FFFD18FFFA2C6500004B00FFF0FFFA2C6608FFF0"
                                       "FFFA2C6701FFF0FFFA2C6801FFF0"));
        far->waitForBytesWritten(1000);
    }
    opener.join();
    ASSERT_TRUE(far);
    EXPECT_TRUE(opened) << port.LastOpenMessage().toStdString();
    const QByteArray dont_echo = QByteArray::fromHex("FFFE01"),
                     wont_ttype = QByteArray::fromHex("FFFC18");
    QByteArray got;
    QDeadlineTimer deadline(2000);
    while (!(got.contains(dont_echo) && got.contains(wont_ttype)) && !deadline.hasExpired())
        if (far->waitForReadyRead(50)) got += far->readAll();
    EXPECT_TRUE(got.contains(dont_echo)) << got.toHex().toStdString();
    EXPECT_TRUE(got.contains(wont_ttype)) << got.toHex().toStdString();
}

TEST(Ser2net, AServerThatIsNotThereFailsSoonNamingTheAddress) {
    NEED_SER2NET();
    PtyServer line(SimLine::demo());
    ASSERT_TRUE(line.start({}));
    // A raw server where an RFC 2217 one was expected never confirms the line.
    TcpLineServer raw(line.slave_path());
    ASSERT_TRUE(raw.listen(TcpLineServer::Mode::Raw, 0));
    ASSERT_TRUE(raw.start());
    const QString free_port = QString::number(unused_tcp_port());
    struct Row {
        QString address;
        QStringList reasons; // one of them
    };
    const Row rows[] = {
        {"tcp://127.0.0.1:" + free_port, {"соединение отвергнуто"}},
        {"rfc2217://127.0.0.1:" + free_port, {"соединение отвергнуто"}},
        // Where no resolver answers, the time runs out instead.
        {"tcp://no-such-host.invalid:4001",
         {"узел no-such-host.invalid не найден", "нет соединения за 1 с"}},
        {"rfc2217://127.0.0.1:" + QString::number(raw.port(TcpLineServer::Mode::Raw)),
         {"сервер не подтвердил настройку порта 19200,n,8,1 за 1 с"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.address.toStdString());
        NetworkPort port(1000);
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(port.OpenPort(r.address, kSensorLineSettings));
        EXPECT_LT(clock.elapsed(), 3000);
        EXPECT_FALSE(port.IsOpen());
        const QString message = port.LastOpenMessage();
        EXPECT_TRUE(message.startsWith(QStringLiteral("Адрес ") + r.address + u':'))
            << message.toStdString();
        EXPECT_TRUE(std::any_of(r.reasons.begin(), r.reasons.end(), [&](const QString& why) {
            return message.contains(why);
        })) << message.toStdString();
        EXPECT_EQ(port.WritePort("x"), 0);
    }
}

TEST(Ser2net, AConnectionDroppedMidExchangeIsAnUnpluggedAdapter) {
    NEED_SER2NET();
    PtyServer line(SimLine::demo());
    ASSERT_TRUE(line.start({}));
    for (bool rfc2217 : {false, true}) {
        Ser2net server({{line.slave_path(), rfc2217}});
        ASSERT_TRUE(server.ok()) << server.output().toStdString();
        SCOPED_TRACE(server.address(0).toStdString());
        NetworkPort port;
        ASSERT_TRUE(port.OpenPort(server.address(0), kSensorLineSettings));
        Session session(port);
        ASSERT_TRUE(session.read_state(5).ok());
        EXPECT_FALSE(port.LinkLost());
        // A read waits for more than the answer; the server dies meanwhile.
        // The read ends with the loss, long before its own time is up.
        ASSERT_EQ(port.WritePort(request::read_state(5)), request::read_state(5).size());
        QElapsedTimer clock;
        clock.start();
        std::thread killer([&] {
            QThread::msleep(100);
            server.kill();
        });
        port.ReadExpected(1000, 10'000);
        killer.join();
        EXPECT_LT(clock.elapsed(), 5000);
        // Writes fail from now on, reads return nothing, and the port waits
        // for its owner to close it, without spinning meanwhile.
        QDeadlineTimer deadline(2000);
        while (port.WritePort(request::read_state(5)) != 0 && !deadline.hasExpired())
            QThread::msleep(20);
        EXPECT_EQ(port.WritePort(request::read_state(5)), 0);
        EXPECT_TRUE(port.IsOpen());
        EXPECT_TRUE(port.LinkLost()); // so the window closes it at the first failed write
        EXPECT_TRUE(port.ReadPort().isEmpty());
        const double cpu_before = cpu_seconds();
        QThread::msleep(300);
        EXPECT_LT(cpu_seconds() - cpu_before, 0.05);
        EXPECT_EQ(port.ClosePort(), 1);
        EXPECT_FALSE(port.OpenPort(server.address(0), kSensorLineSettings));
        EXPECT_TRUE(port.LastOpenMessage().contains(QStringLiteral("соединение отвергнуто")));
    }
}

// A server that never stops negotiating is let go with a message naming its
// address, whether it confirmed the port first or not; what it got back from
// us stays a few answers however much it sent.
TEST(Ser2net, AServerThatNeverStopsNegotiatingIsGivenUp) {
    for (bool confirm : {true, false}) {
        SCOPED_TRACE(confirm ? "after the open" : "during the open");
        FloodServer server(confirm);
        ASSERT_NE(server.port(), 0);
        const QString address = QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port());
        const QString lost = QStringLiteral("Адрес %1: ").arg(address);
        NetworkPort port;
        const bool opened = port.OpenPort(address, kSensorLineSettings);
        EXPECT_EQ(opened, confirm) << port.LastOpenMessage().toStdString();
        if (opened) {
            QDeadlineTimer deadline(10'000);
            while (!port.LinkLost() && !deadline.hasExpired()) {
                port.WritePort(request::read_state(5));
                port.ReadPort();
            }
            EXPECT_TRUE(port.LinkLost());
            EXPECT_EQ(port.LostMessage(),
                      lost + "соединение потеряно (сервер без конца шлёт команды telnet).");
            EXPECT_EQ(port.WritePort("x"), 0);
        } else {
            EXPECT_EQ(port.LastOpenMessage(), lost + "сервер без конца шлёт команды telnet.");
        }
        QDeadlineTimer deadline(5000);
        while (!server.client_gone() && !deadline.hasExpired()) QThread::msleep(10);
        EXPECT_TRUE(server.client_gone());
        // Given up for a flood: not before a second's worth of commands.
        EXPECT_GE(server.sent(), uint64_t(FloodServer::flood_chunk().size()));
        // The hello, one refusal an option each way, a few requests.
        EXPECT_LT(server.heard(), 3000u);
    }
}
