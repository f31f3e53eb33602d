#include "ser2net_server.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <sys/types.h>

uint16_t unused_tcp_port() {
    QTcpServer s;
    if (!s.listen(QHostAddress::LocalHost, 0)) return 0;
    return s.serverPort();
}

bool Ser2net::installed() {
    return !QStandardPaths::findExecutable(QStringLiteral("ser2net")).isEmpty() ||
           !QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                           {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                .isEmpty();
}

Ser2net::Ser2net(const std::vector<Connection>& connections, const std::vector<uint16_t>& ports)
    : connections_(connections) {
    if (!dir_.isValid() || !installed()) return;
    QString config;
    for (size_t i = 0; i < connections.size(); ++i) {
        const uint16_t port = i < ports.size() ? ports[i] : unused_tcp_port();
        ports_.push_back(port);
        const Connection& c = connections[i];
        config += QStringLiteral("connection: &c%1\n"
                                 "  accepter: %2tcp,127.0.0.1,%3\n"
                                 "  connector: serialdev,%4,%5,local\n"
                                 "  options:\n"
                                 "    kickolduser: true\n")
                      .arg(i)
                      .arg(c.rfc2217 ? QStringLiteral("telnet(rfc2217),") : QString())
                      .arg(port)
                      .arg(c.device, c.line);
    }
    const QString path = dir_.filePath(QStringLiteral("ser2net.yaml"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(config.toUtf8()) < 0) return;
    f.close();
    QString program = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(
            QStringLiteral("ser2net"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(program, {QStringLiteral("-n"), QStringLiteral("-c"), path, QStringLiteral("-P"),
                             dir_.filePath(QStringLiteral("ser2net.pid"))});
    if (!process_.waitForStarted(5000)) return;
    pid_ = process_.processId();
    // Up when every port answers; a few seconds at most.
    QDeadlineTimer deadline(5000);
    for (uint16_t port : ports_) {
        bool up = false;
        while (!up && !deadline.hasExpired() && process_.state() == QProcess::Running) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            up = probe.waitForConnected(200);
            if (!up) QThread::msleep(20);
            probe.abort();
        }
        if (!up) return;
    }
    ok_ = true;
}

Ser2net::~Ser2net() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

void Ser2net::kill() {
    // A plain signal, so that any thread may pull the plug.
    if (pid_ > 0) ::kill(pid_t(pid_), SIGKILL);
}

QString Ser2net::output() {
    return QString::fromLocal8Bit(process_.readAll());
}

QString Ser2net::address(int i) const {
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(connections_[size_t(i)].rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp"))
        .arg(ports_[size_t(i)]);
}
