// How long one zorvik-cli command takes against an answering sensor, start
// to exit: the program run as a script runs it, against the simulated line on
// a pseudo-terminal with wire timing (19200 baud, replies a few ms late).
// Each command 10 times; figures in ms: fastest, median, slowest.
#include "sim/pty_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SimLine line;
    line.add_sensor(0, 176, 4321);
    line.set_wire_timing(true);
    PtyServer server(std::move(line));
    QString error;
    if (!dir.isValid() || !server.start(dir.filePath(QStringLiteral("line")), &error)) {
        std::fprintf(stderr, "cannot start the simulated line: %s\n", qPrintable(error));
        return 1;
    }
    const QString cli = QDir(QCoreApplication::applicationDirPath()).filePath("zorvik-cli");
    const QString table = dir.filePath(QStringLiteral("t.zvk"));
    const std::vector<QStringList> commands = {
        {"info"}, {"set-full", "current"}, {"--yes", "alarm", "20"}, {"table", "read", table}};

    std::printf("%-24s %8s %8s %8s\n", "command", "min ms", "median", "max ms");
    for (const QStringList& command : commands) {
        std::vector<qint64> ms;
        for (int i = 0; i < 10; ++i) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("ZORVIK_LOG_DIR"), dir.filePath(QStringLiteral("log")));
            p.setProcessEnvironment(env);
            QElapsedTimer clock;
            clock.start();
            p.start(cli, QStringList{"--port", server.device_path()} + command);
            if (!p.waitForFinished(10000) || p.exitCode() != 0) {
                std::fprintf(stderr, "%s failed: %s\n", qPrintable(command.join(u' ')),
                             p.readAllStandardError().constData());
                return 1;
            }
            ms.push_back(clock.elapsed());
        }
        std::sort(ms.begin(), ms.end());
        std::printf("%-24s %8lld %8lld %8lld\n", qPrintable(command.join(u' ').left(24)),
                    static_cast<long long>(ms.front()), static_cast<long long>(ms[ms.size() / 2]),
                    static_cast<long long>(ms.back()));
    }
    return 0;
}
