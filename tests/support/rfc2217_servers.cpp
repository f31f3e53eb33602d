#include "rfc2217_servers.h"

#include "ser2net_server.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

QString Sredird::program() {
    return QStandardPaths::findExecutable(QStringLiteral("sredird"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
}

Sredird::Sredird(const QString& device, uint16_t port) : device_(device) {
    if (program().isEmpty() || !dir_.isValid()) return;
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    if (listen_ >= 0) ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    socklen_t len = sizeof a;
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listen_, 4) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return;
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

Sredird::~Sredird() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listen_ >= 0) ::close(listen_);
}

QString Sredird::address() const {
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port_);
}

void Sredird::run() {
    const QByteArray path = QFile::encodeName(program());
    const QByteArray device = QFile::encodeName(device_);
    const QByteArray lock = QFile::encodeName(dir_.filePath(QStringLiteral("LCK..line")));
    pid_t child = 0;
    // sredird takes SIGTERM but does not always end on it (not while it spins
    // on a connection its client has closed): a second later it is killed.
    const auto end_child = [&child] {
        if (child <= 0) return;
        ::kill(child, SIGTERM);
        const QDeadlineTimer deadline(1000);
        while (::waitpid(child, nullptr, WNOHANG) == 0) {
            if (deadline.hasExpired()) {
                ::kill(child, SIGKILL);
                ::waitpid(child, nullptr, 0);
                break;
            }
            ::usleep(10'000);
        }
        child = 0;
    };
    while (!stop_) {
        pollfd p{listen_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) {
            if (child > 0 && ::waitpid(child, nullptr, WNOHANG) == child) child = 0;
            continue;
        }
        const int conn = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) continue;
        end_child();
        // As inetd starts it: the connection is its standard input and output.
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_adddup2(&files, conn, 0);
        posix_spawn_file_actions_adddup2(&files, conn, 1);
        posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
        char log_level[] = "0";
        char* argv[] = {const_cast<char*>(path.constData()), log_level,
                        const_cast<char*>(device.constData()), const_cast<char*>(lock.constData()),
                        nullptr};
        if (posix_spawn(&child, path.constData(), &files, nullptr, argv, environ) != 0) child = 0;
        posix_spawn_file_actions_destroy(&files);
        ::close(conn);
    }
    end_child();
}

QString PyserialServer::example() {
    const QString path = QStringLiteral("/usr/share/doc/python3-serial/examples/rfc2217_server.py");
    return QFileInfo::exists(path) && QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
               ? path
               : QString();
}

PyserialServer::PyserialServer(const QString& device, uint16_t port) {
    if (example().isEmpty()) return;
    port_ = port ? port : unused_tcp_port();
    // The example as shipped, with three things changed around it: it
    // listens on loopback only, as every test server does; a pseudo-terminal
    // has no modem lines, so their ioctls failing count as lines low; and its
    // reader polls the port every 0.2 s, not 3 s, so that the next client of
    // a run of commands is not kept waiting while the last one's ends.
    static const char* kShims =
        "import runpy, socket, sys\n"
        "import serial.serialposix as sp\n"
        "bind = socket.socket.bind\n"
        "socket.socket.bind = lambda s, a: bind(s, ('127.0.0.1', a[1]) if a[0] == '' else a)\n"
        "def quiet(f):\n"
        "    def g(*a, **k):\n"
        "        try:\n"
        "            return f(*a, **k)\n"
        "        except OSError:\n"
        "            return False\n"
        "    return g\n"
        "for name in ('_update_rts_state', '_update_dtr_state'):\n"
        "    setattr(sp.Serial, name, quiet(getattr(sp.Serial, name)))\n"
        "for name in ('cts', 'dsr', 'ri', 'cd'):\n"
        "    setattr(sp.Serial, name, property(quiet(getattr(sp.Serial, name).fget)))\n"
        "t = sp.Serial.timeout\n"
        "sp.Serial.timeout = property(t.fget, lambda s, v: t.fset(s, v if v is None else min(v, "
        "0.2)))\n"
        "sys.argv = sys.argv[1:]\n"
        "runpy.run_path(sys.argv[0], run_name='__main__')\n";
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-c"), QString::fromLatin1(kShims), example(),
                    QStringLiteral("-p"), QString::number(port_), device});
    if (!process_.waitForStarted(5000)) return;
    // It says so once it listens; a probe connection would be its one client.
    const QByteArray ready = "TCP/IP port: " + QByteArray::number(port_);
    QByteArray seen;
    QDeadlineTimer deadline(10'000);
    while (!seen.contains(ready) && !deadline.hasExpired() && process_.state() == QProcess::Running)
        if (process_.waitForReadyRead(100)) seen += process_.readAll();
    output_ = QString::fromLocal8Bit(seen);
    ok_ = seen.contains(ready);
}

PyserialServer::~PyserialServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

QString PyserialServer::address() const {
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port_);
}

QString PyserialServer::output() {
    return output_ + QString::fromLocal8Bit(process_.readAll());
}
