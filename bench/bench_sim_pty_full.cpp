// zorvik-sim against a client that sends requests and never reads, so the
// pseudo-terminal fills: how busy the simulator gets, how much it holds, and
// what a client that opens the line afterwards receives although it asked
// for nothing.
//
// Usage: bench_sim_pty_full [seconds]  (default 5)
#include "protocol/codes.h"
#include "protocol/frame_codec.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
int open_raw(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return fd;
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// utime + stime of a process, in seconds; its resident size in kB.
struct Usage {
    double cpu = 0;
    long rss_kb = 0;
};
Usage usage_of(qint64 pid) {
    Usage u;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
        // Fields after the name: state is [0], utime [11], stime [12].
        if (f.size() > 12)
            u.cpu = double(f[11].toLongLong() + f[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& l : status.readAll().split('\n'))
            if (l.startsWith("VmRSS:")) u.rss_kb = l.mid(6).trimmed().split(' ').value(0).toLong();
    return u;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("line"));
    QProcess sim;
    sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/zorvik-sim"),
              {QStringLiteral("--link"), link});
    if (!sim.waitForReadyRead(5000)) {
        std::fputs("zorvik-sim did not start\n", stderr);
        return 1;
    }
    const qint64 pid = sim.processId();

    QByteArray req;
    req.append(char(kRequestStart)).append(char(12)).append(char(CMD_READ_STATE));
    req = Control_summ(req);

    // A request every 5 ms, nothing read: 24-byte replies pile up.
    const int writer = open_raw(link);
    if (writer < 0) return 1;
    const Usage before = usage_of(pid);
    for (int i = 0; i < seconds * 200; ++i) {
        [[maybe_unused]] ssize_t n = ::write(writer, req.constData(), size_t(req.size()));
        QThread::msleep(5);
    }
    const Usage full = usage_of(pid);
    // The line stays full and idle for a while: does the simulator rest?
    QThread::sleep(static_cast<unsigned long>(seconds));
    const Usage idle = usage_of(pid);
    ::close(writer);
    QThread::msleep(200);

    // The next client asks nothing; whatever it gets is someone else's.
    const int next = open_raw(link);
    qint64 leaked = 0;
    for (;;) {
        pollfd p{next, POLLIN, 0};
        if (::poll(&p, 1, 500) <= 0) break;
        char buf[4096];
        const ssize_t n = ::read(next, buf, sizeof buf);
        if (n <= 0) break;
        leaked += n;
    }
    ::close(next);
    const Usage end = usage_of(pid);
    sim.terminate();
    sim.waitForFinished(5000);

    std::printf("zorvik-sim, pty full, %d s of requests every 5 ms then %d s idle:\n", seconds,
                seconds);
    std::printf("  CPU while requests pile up: %5.1f %%\n",
                100.0 * (full.cpu - before.cpu) / seconds);
    std::printf("  CPU while the full line is idle: %5.1f %%\n",
                100.0 * (idle.cpu - full.cpu) / seconds);
    std::printf("  resident size: %ld kB before, %ld kB at the end\n", before.rss_kb, end.rss_kb);
    std::printf("  bytes the next client received unasked: %lld\n", static_cast<long long>(leaked));
    return 0;
}
