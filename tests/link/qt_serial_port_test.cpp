// The real QSerialPort adapter, driven over pseudo-terminals.
#include "link/qt_serial_port.h"

#include "../support/fakes.h"
#include "../support/pty_pair.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <termios.h>

#include <thread>

namespace {

const QString kSettings = QStringLiteral("19200,n,8,1");

QByteArray pattern(int n, int seed = 0) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i) b[i] = char((i * 7 + seed) & 0xFF);
    return b;
}

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Waits in the event loop for one ReadAsync answer.
QByteArray read_async_and_wait(QtSerialPort& port) {
    QByteArray got;
    bool done = false;
    QEventLoop loop;
    port.ReadAsync([&](QByteArray d) {
        got = std::move(d);
        done = true;
        loop.quit();
    });
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    if (!done) loop.exec();
    EXPECT_TRUE(done) << "ReadAsync never answered";
    return got;
}

struct Fixture : ::testing::Test {
    PtyPair pty;
    QtSerialPort port;
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(port.OpenPort(pty.slave_path(), kSettings));
    }
};
using QtSerialPortRead = Fixture;
using QtSerialPortWrite = Fixture;

} // namespace

TEST(QtSerialPortOpen, MissingOrBusyDeviceFailsWithoutAMessage) {
    QtSerialPort port;
    EXPECT_FALSE(port.OpenPort(QStringLiteral("/dev/zorvik-no-such-port"), kSettings));
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::NoSuchDevice);
    EXPECT_FALSE(port.OpenPort(QStringLiteral("\\\\.\\COM3"), kSettings)); // no /dev/COM3 here
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::NoSuchDevice);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.ReadPort().isEmpty());
    EXPECT_EQ(port.WritePort("abc"), 0);

    // The same line through a symlink is still the same, busy line.
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("line"));
    ASSERT_TRUE(QFile::link(pty.slave_path(), link));
    QtSerialPort first;
    ASSERT_TRUE(first.OpenPort(QStringLiteral("\\\\.\\") + link, kSettings));
    EXPECT_FALSE(port.OpenPort(pty.slave_path(), kSettings));
    EXPECT_EQ(port.LastOpenFailure(), OpenFailure::Busy);
    EXPECT_TRUE(port.LastOpenMessage().isEmpty());
    first.ClosePort();
    EXPECT_TRUE(port.OpenPort(pty.slave_path(), kSettings));

    EXPECT_TRUE(port.PortExists(pty.slave_path()));
    EXPECT_TRUE(port.PortExists(link));
    EXPECT_FALSE(port.PortExists(QStringLiteral("/dev/zorvik-no-such-port")));
    EXPECT_FALSE(port.PortExists(QStringLiteral("COM3")));
}

TEST(QtSerialPortOpen, LineSettingsReachTheDevice) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    QtSerialPort port;
    struct Case {
        const char* settings;
        speed_t speed;
        bool two_stop;
    };
    // A pty keeps speed and stop bits but insists on 8 data bits without
    // parity, so those are checked through the refusals further down.
    for (const Case& c : {Case{"19200,n,8,1", B19200, false}, Case{"9600,N,8,2", B9600, true},
                          Case{" 115200 , n , 8 , 1 ", B115200, false}}) {
        SCOPED_TRACE(c.settings);
        // Start from a cooked line with software flow control.  All
        // descriptors of the slave side share one termios.
        termios t{};
        ASSERT_EQ(::tcgetattr(pty.slave_fd(), &t), 0);
        t.c_lflag |= ICANON | ECHO;
        t.c_iflag |= IXON | IXOFF;
        ASSERT_EQ(::tcsetattr(pty.slave_fd(), TCSANOW, &t), 0);

        ASSERT_TRUE(port.OpenPort(pty.slave_path(), QString::fromLatin1(c.settings)));
        ASSERT_EQ(::tcgetattr(pty.slave_fd(), &t), 0);
        EXPECT_EQ(::cfgetospeed(&t), c.speed);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.two_stop);
        EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
        EXPECT_EQ(t.c_cflag & (PARENB | CRTSCTS), 0u);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_EQ(port.ClosePort(), 1);
    }
    EXPECT_TRUE(port.LastOpenMessage().isEmpty());
}

TEST(QtSerialPortOpen, SettingsThatFailShowTheirMessageAndLeaveNoPortOpen) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    QtSerialPort port;
    for (const char* bad : {"", "19200", "19200,n,8", "abc,n,8,1", "0,n,8,1", "19200,x,8,1",
                            "19200,n,9,1", "19200,n,4,1", "19200,n,8,3", "19200,n,8,1,1"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(port.OpenPort(pty.slave_path(), QString::fromLatin1(bad)));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.LastOpenFailure(), OpenFailure::Setup);
        EXPECT_EQ(port.LastOpenMessage(), QLatin1String("Unable to build Comm DCB ") +
                                              QLatin1String(bad) + QLatin1String(" Error: 22"));
    }
    // Texts that parse but that the device refuses: a pty has neither parity
    // nor 7 data bits, and termios has no one-and-a-half stop bits.
    for (const char* refused : {"19200,e,8,1", "19200,n,7,1", "19200,n,8,1.5"}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(port.OpenPort(pty.slave_path(), QString::fromLatin1(refused)));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.LastOpenFailure(), OpenFailure::Setup);
        EXPECT_EQ(port.LastOpenMessage(), QLatin1String("Unable to set Comm DCB ") +
                                              QLatin1String(refused) + QLatin1String(" Error: 22"));
    }
    // Every failure released the device again.
    QtSerialPort other;
    EXPECT_TRUE(other.OpenPort(pty.slave_path(), kSettings));
}

TEST(QtSerialPortOpen, ClosingTwiceIsHarmless) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    QtSerialPort port;
    EXPECT_EQ(port.ClosePort(), 0);
    ASSERT_TRUE(port.OpenPort(pty.slave_path(), kSettings));
    EXPECT_EQ(port.ClosePort(), 1);
    EXPECT_EQ(port.ClosePort(), 0);
    EXPECT_FALSE(port.IsOpen());
    pty.write("late");
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(port.ReadPort().isEmpty());
    EXPECT_TRUE(read_async_and_wait(port).isEmpty());
    EXPECT_LT(clock.elapsed(), 200); // a closed port does not wait for anything
    EXPECT_EQ(port.WritePort("abc"), 0);
    EXPECT_TRUE(pty.read(3, 50).isEmpty());
}

TEST_F(QtSerialPortRead, ThreeHundredWaitingBytesComeBackAs255Then45) {
    const QByteArray sent = pattern(300);
    ASSERT_TRUE(pty.write(sent));
    QTest::qWait(50);
    const QByteArray first = port.ReadPort();
    const QByteArray second = port.ReadPort();
    EXPECT_EQ(first, sent.left(255));
    EXPECT_EQ(second, sent.mid(255));

    ASSERT_TRUE(pty.write(sent));
    QTest::qWait(50);
    EXPECT_EQ(read_async_and_wait(port), sent.left(255));
    EXPECT_EQ(read_async_and_wait(port), sent.mid(255));
}

TEST_F(QtSerialPortRead, NothingArrivingEndsTheReadAfterItsTotalTime) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(port.ReadPort().isEmpty());
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_LT(clock.elapsed(), 1000);

    // The asynchronous read waits as long, and the event loop keeps running.
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start();
    clock.restart();
    EXPECT_TRUE(read_async_and_wait(port).isEmpty());
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_GE(ticks, 10); // about 50 when nothing blocks the loop
}

TEST_F(QtSerialPortRead, APauseSplitsAReplyASteadyStreamDoesNot) {
    ASSERT_TRUE(pty.write("AAAA"));
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        pty.write("BBBB");
    });
    EXPECT_EQ(port.ReadPort(), QByteArray("AAAA"));
    EXPECT_EQ(port.ReadPort(), QByteArray("BBBB"));
    late.join();

    // Ten pieces 4 ms apart stay one reply.  A loaded machine may stretch the
    // writer's own pauses past 20 ms; only a stream that really was steady
    // counts, so try a few times.
    bool judged = false;
    for (int attempt = 0; attempt < 5 && !judged; ++attempt) {
        qint64 worst_gap = 0;
        std::thread stream([&] {
            QElapsedTimer gap;
            gap.start();
            for (int i = 0; i < 10; ++i) {
                worst_gap = std::max(worst_gap, gap.restart());
                pty.write(pattern(5, i));
                std::this_thread::sleep_for(std::chrono::milliseconds(4));
            }
        });
        const QByteArray got = port.ReadPort();
        stream.join();
        const QByteArray rest = port.ReadPort();
        if (worst_gap >= 15) continue;
        judged = true;
        EXPECT_EQ(got.size(), 50);
        EXPECT_TRUE(rest.isEmpty());
    }
    EXPECT_TRUE(judged) << "the writer never managed a steady stream";
}

TEST_F(QtSerialPortRead, AnEndlessStreamIsCutAfterTheTotalTime) {
    std::atomic<bool> stop{false};
    std::thread stream([&] {
        while (!stop) {
            pty.write("xy");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    QElapsedTimer clock;
    clock.start();
    const QByteArray got = port.ReadPort();
    const qint64 took = clock.elapsed();
    stop = true;
    stream.join();
    EXPECT_GE(took, 200);
    EXPECT_LT(took, 1000);
    EXPECT_GT(got.size(), 10);
    EXPECT_LT(got.size(), 255);
}

TEST_F(QtSerialPortRead, CancelledAsyncReadNeverAnswersAndLeavesTheBytes) {
    bool called = false;
    port.ReadAsync([&](QByteArray) { called = true; });
    EXPECT_FALSE(called); // never from inside ReadAsync
    port.CancelRead();
    ASSERT_TRUE(pty.write("abc"));
    EXPECT_EQ(port.ReadPort(), QByteArray("abc"));
    QTest::qWait(350);
    EXPECT_FALSE(called);
}

TEST_F(QtSerialPortRead, DiscardDropsWhatCameBeforeTheRequest) {
    // Bytes already taken in by the port and bytes still in the system's queue.
    ASSERT_TRUE(pty.write("stale"));
    QTest::qWait(50);
    ASSERT_TRUE(pty.write("older"));
    port.DiscardInput();
    ASSERT_TRUE(pty.write("fresh"));
    EXPECT_EQ(port.ReadPort(), QByteArray("fresh"));
}

TEST_F(QtSerialPortRead, AWorkerThreadDrivesThePortWhileTheUiThreadWaits) {
    ASSERT_TRUE(pty.write("pong"));
    QByteArray got;
    uint16_t written = 0;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        written = port.WritePort("ping");
        got = port.ReadPort();
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(3000)); // this thread's event loop does not run meanwhile
    EXPECT_EQ(written, 4);
    EXPECT_EQ(got, QByteArray("pong"));
    EXPECT_EQ(pty.read(4, 500), QByteArray("ping"));
}

TEST_F(QtSerialPortWrite, BytesArrivingDuringAWriteNeitherBreakItNorThePort) {
    // A write that takes in the far end's bytes while it waits leaves the
    // event loop a stale "readable" to trip over; that is no lost device.
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(pty.write("pong"));
        ASSERT_EQ(port.WritePort("ping"), 4);
        ASSERT_EQ(port.ReadPort(), QByteArray("pong"));
        ASSERT_EQ(pty.read(4, 500), QByteArray("ping"));
    }
}

TEST_F(QtSerialPortWrite, LongWritesArriveWholeEmptyOnesWriteNothing) {
    const QByteArray data = pattern(300, 3);
    EXPECT_EQ(port.WritePort(data), 300);
    EXPECT_EQ(pty.read(300, 1000), data);
    EXPECT_EQ(port.WritePort(QByteArray()), 0);
    EXPECT_TRUE(pty.read(1, 50).isEmpty());
}

// The turnaround before a frame: counted from the last byte received, not from
// the call; a byte that comes meanwhile, or is waiting already, stops the frame
// and is handed back.
TEST_F(QtSerialPortWrite, WhenQuietCountsFromTheLastByteAndGivesWayToAnother) {
    using std::chrono::milliseconds;
    QElapsedTimer since_byte;
    QByteArray heard;
    ASSERT_TRUE(pty.write("A"));
    since_byte.start();
    ASSERT_EQ(port.ReadExpected(1, 1000), QByteArray("A"));
    EXPECT_EQ(port.WriteWhenQuiet("next", milliseconds(100), heard), 4);
    EXPECT_GE(since_byte.elapsed(), 100);
    EXPECT_TRUE(heard.isEmpty());
    EXPECT_EQ(pty.read(4, 500), QByteArray("next"));

    ASSERT_TRUE(pty.write("A"));
    ASSERT_EQ(port.ReadExpected(1, 1000), QByteArray("A"));
    QTest::qWait(300);
    since_byte.start();
    EXPECT_EQ(port.WriteWhenQuiet("late", milliseconds(400), heard), 4);
    EXPECT_LT(since_byte.elapsed(), 300) << "the quiet so far counts";
    EXPECT_EQ(pty.read(4, 500), QByteArray("late"));

    ASSERT_TRUE(pty.write("A"));
    ASSERT_EQ(port.ReadExpected(1, 1000), QByteArray("A"));
    std::thread other([this] {
        std::this_thread::sleep_for(milliseconds(30));
        pty.write("xyz");
    });
    EXPECT_EQ(port.WriteWhenQuiet("next", milliseconds(2000), heard), -1);
    other.join();
    EXPECT_EQ(heard, QByteArray("xyz"));
    EXPECT_TRUE(pty.read(1, 100).isEmpty());

    ASSERT_TRUE(pty.write("zz"));
    QTest::qWait(50);
    EXPECT_EQ(port.WriteWhenQuiet("next", milliseconds(1), heard), -1);
    EXPECT_EQ(heard, QByteArray("zz"));
    EXPECT_EQ(port.WriteWhenQuiet("next", milliseconds(1), heard), 4);
    EXPECT_EQ(pty.read(4, 500), QByteArray("next"));
}

TEST_F(QtSerialPortWrite, AVanishingFarEndFailsOnceWithoutSpinning) {
    ASSERT_TRUE(pty.write("hi"));
    EXPECT_EQ(port.ReadPort(), QByteArray("hi"));
    pty.close_master();
    // Left alone, a lost device must not keep any thread of ours busy.  (A
    // write would hide a spin: its error is the kind Qt stops on by itself.)
    const double cpu_before = cpu_seconds();
    QTest::qWait(1000);
    const double cpu = cpu_seconds() - cpu_before;
    EXPECT_LT(cpu, 0.3) << "the lost device keeps the process busy";
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(port.ReadPort().isEmpty());
        EXPECT_TRUE(read_async_and_wait(port).isEmpty());
        EXPECT_EQ(port.WritePort("12345"), 0);
    }
    EXPECT_TRUE(port.IsOpen()); // until the caller closes it
    EXPECT_EQ(port.ClosePort(), 1);
    EXPECT_TRUE(port.LastOpenMessage().isEmpty());
}

// ------------------------------------------------------------ bounded input

namespace {
// Waits (at most 5 s) until `done` holds, letting the I/O thread work.
template <class F> bool eventually(F done) {
    for (int i = 0; i < 500 && !done(); ++i) QTest::qWait(10);
    return done();
}
} // namespace

using QtSerialPortBacklog = Fixture;

TEST_F(QtSerialPortBacklog, ABurstKeepsItsNewestBytesAndTheNextReplyComesWhole) {
    // One row per moment the burst comes: before the exchange's read, or
    // between its read and its write.  Either way the second read after the
    // burst has the reply, and nothing older than a UART's buffer is kept.
    for (const bool before_read : {true, false}) {
        SCOPED_TRACE(before_read ? "burst before the read" : "burst after the read");
        const QByteArray burst = pattern(10'000, 11);
        if (!before_read) {
            EXPECT_TRUE(port.ReadPort().isEmpty());
        }
        ASSERT_TRUE(pty.write(burst));
        ASSERT_TRUE(eventually([&] { return port.waiting_bytes() == QtSerialPort::kBacklogBytes; }))
            << port.waiting_bytes();
        if (before_read) {
            EXPECT_EQ(port.ReadPort(), burst.mid(burst.size() - QtSerialPort::kBacklogBytes, 255));
            ASSERT_EQ(port.WritePort("ask"), 3);
            EXPECT_EQ(pty.read(3, 1000), QByteArray("ask"));
            ASSERT_TRUE(pty.write("reply"));
            EXPECT_EQ(port.ReadPort(), QByteArray("reply"));
        } else {
            // The burst sat behind an empty read: the write keeps it (it is
            // newer than that read), the reply comes after it, and the next
            // exchange is clean again.
            ASSERT_EQ(port.WritePort("ask"), 3);
            EXPECT_EQ(pty.read(3, 1000), QByteArray("ask"));
            ASSERT_TRUE(pty.write("reply"));
            EXPECT_EQ(port.ReadPort().size(), 255);
            ASSERT_EQ(port.WritePort("ask"), 3);
            EXPECT_EQ(pty.read(3, 1000), QByteArray("ask"));
            ASSERT_TRUE(pty.write("again"));
            EXPECT_EQ(port.ReadPort(), QByteArray("again"));
        }
        EXPECT_EQ(port.waiting_bytes(), 0);
    }
}

TEST_F(QtSerialPortBacklog, EndlessNoiseKeepsTheInputBoundedAndTheLineUsable) {
    std::atomic<bool> stop{false};
    std::thread noise([&] {
        const QByteArray chunk = pattern(4000, 5);
        while (!stop) pty.write(chunk);
    });
    qint64 most = 0;
    for (int i = 0; i < 40; ++i) {
        QTest::qWait(20);
        most = std::max(most, port.waiting_bytes());
        if (i % 10 == 0) {
            EXPECT_EQ(port.ReadPort().size(), 255); // reads go on, each a full one
            EXPECT_EQ(port.WritePort("x"), 1);
        }
    }
    stop = true;
    noise.join();
    EXPECT_LE(most, QtSerialPort::kBacklogBytes);
    EXPECT_GT(most, 0) << "no noise arrived";
    pty.read_until_quiet(50);

    port.ReadPort(); // the tail of the noise
    ASSERT_EQ(port.WritePort("ask"), 3);
    ASSERT_TRUE(pty.write("reply"));
    EXPECT_EQ(port.ReadPort(), QByteArray("reply"));

    ASSERT_TRUE(pty.write("junk"));
    ASSERT_TRUE(eventually([&] { return port.waiting_bytes() == 4; }));
    port.DiscardInput();
    EXPECT_EQ(port.waiting_bytes(), 0);
}
