// An RFC 2217 server that never stops negotiating, against the network port
// as the window uses it: opened without blocking, then a request every 50 ms
// read back through the event loop.  A 1 ms timer records how late it fires
// (the window's liveness); the process's resident memory is read before the
// first run and after each.  Per run: how the port ended and after how long,
// what the server sent (as far as the system took it) and what it got back.  Runs alternate between
// a server that confirms the port first and one that floods from the start. Targets: the timer
// never more than 16 ms late, memory flat across runs, the answers we owe bounded whatever the
// server sends.
//
//   bench_rfc2217_flood [runs]
#include "link/network_port.h"
#include "protocol/line_settings.h"
#include "protocol/requests.h"

#include "../tests/support/scripted_gateways.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {
long status_kib(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ')[0].toLong();
    return -1;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    {
        // What the machine itself holds a timer up by, on an idle loop.
        QElapsedTimer clock;
        clock.start();
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        qint64 last = 0;
        double late = 0;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (last) late = std::max(late, double(now - last) / 1e6 - 1.0);
            last = now;
        });
        probe.start(1);
        while (clock.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::printf("idle loop, 1 s: timer late at most %.1f ms\n", late);
    }
    const long rss_start = status_kib("VmRSS:");
    std::printf("resident memory before: %ld KiB\n", rss_start);
    std::printf("run  server    ended after  it sent (KiB)  got back (B)  timer late max (ms)  "
                "resident (KiB)  how\n");
    double worst_late = 0;
    for (int run = 0; run < runs; ++run) {
        const bool confirm = run % 2 == 0;
        FloodServer server(confirm);
        NetworkPort port;
        const QString address = QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port());
        QElapsedTimer clock;
        clock.start();
        bool done = false;
        QString how;
        QTimer probe, ask;
        qint64 last = 0;
        double late = 0;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            if (last) late = std::max(late, double(now - last) / 1e6 - 1.0);
            last = now;
        });
        QObject::connect(&ask, &QTimer::timeout, [&] {
            if (port.LinkLost()) {
                how = port.LostMessage();
                done = true;
                return;
            }
            port.WritePort(request::read_state(5));
            port.ReadAsync([](QByteArray) {});
        });
        probe.start(1);
        port.OpenPortAsync(address, kSensorLineSettings, [&](bool ok) {
            if (!ok) {
                how = port.LastOpenMessage();
                done = true;
                return;
            }
            ask.start(50);
        });
        while (!done && clock.elapsed() < 20'000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 ended = clock.elapsed();
        probe.stop();
        ask.stop();
        port.ClosePort();
        worst_late = std::max(worst_late, late);
        const QString reason = how.mid(how.indexOf(QStringLiteral(": ")) + 2);
        std::printf("%3d  %-8s  %8lld ms  %13.0f  %12llu  %19.1f  %14ld  %s\n", run + 1,
                    confirm ? "confirms" : "floods", (long long)ended,
                    double(server.sent()) / 1024.0, (unsigned long long)server.heard(), late,
                    status_kib("VmRSS:"), done ? qPrintable(reason) : "still open after 20 s");
    }
    std::printf("resident memory after: %ld KiB (peak %ld KiB); timer late at most %.1f ms\n",
                status_kib("VmRSS:"), status_kib("VmHWM:"), worst_late);
    return 0;
}
