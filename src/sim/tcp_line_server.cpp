#include "sim/tcp_line_server.h"

#include <QFile>

#include <initializer_list>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
QByteArray bytes(std::initializer_list<uint8_t> list) {
    QByteArray b;
    for (uint8_t c : list) b.append(char(c));
    return b;
}

QString system_error(const char* what) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250, SE = 240;
constexpr uint8_t BINARY = 0, SGA = 3, COM_PORT = 44;

// The server side of the telnet layer, as much as a client of ours needs.
class TelnetServer {
public:
    // Network bytes in; line data out, answers to the client into `reply`.
    QByteArray from_client(const QByteArray& bytes, QByteArray& reply) {
        QByteArray data;
        for (char ch : bytes) {
            const auto b = uint8_t(ch);
            switch (state_) {
            case 0: // data
                if (b == IAC)
                    state_ = 1;
                else
                    data.append(ch);
                break;
            case 1: // after IAC
                if (b == IAC) {
                    data.append(ch);
                    state_ = 0;
                } else if (b == SB) {
                    sub_.clear();
                    state_ = 3;
                } else if (b >= WILL && b <= DONT) {
                    verb_ = b;
                    state_ = 2;
                } else {
                    state_ = 0;
                }
                break;
            case 2: // option of WILL/WONT/DO/DONT
                answer(b, reply);
                state_ = 0;
                break;
            case 3: // subnegotiation
                if (b == IAC)
                    state_ = 4;
                else if (sub_.size() < 64)
                    sub_.append(ch);
                break;
            case 4: // IAC in a subnegotiation
                if (b == SE) {
                    com_port(reply);
                    state_ = 0;
                } else {
                    if (b == IAC && sub_.size() < 64) sub_.append(ch);
                    state_ = b == IAC ? 3 : 0;
                }
                break;
            }
        }
        return data;
    }

    static QByteArray to_client(const QByteArray& data) {
        QByteArray out;
        for (char c : data) {
            out.append(c);
            if (uint8_t(c) == IAC) out.append(c);
        }
        return out;
    }

private:
    void answer(uint8_t opt, QByteArray& reply) {
        const bool ours = opt == BINARY || opt == SGA || opt == COM_PORT;
        const bool theirs = opt == BINARY || opt == SGA || opt == COM_PORT;
        // Only a request gets an answer; a refusal needs none.
        if (verb_ == DO) reply += bytes({uint8_t(IAC), uint8_t(ours ? WILL : WONT), uint8_t(opt)});
        if (verb_ == WILL)
            reply += bytes({uint8_t(IAC), uint8_t(theirs ? DO : DONT), uint8_t(opt)});
    }

    // SET-BAUDRATE and the other settings are confirmed with what was asked.
    void com_port(QByteArray& reply) {
        if (sub_.size() < 2 || uint8_t(sub_[0]) != COM_PORT) return;
        const auto code = uint8_t(sub_[1]);
        if (code < 1 || code > 12) return;
        reply += bytes({uint8_t(IAC), uint8_t(SB), uint8_t(COM_PORT), uint8_t(code + 100)});
        reply += to_client(sub_.mid(2));
        reply += bytes({uint8_t(IAC), uint8_t(SE)});
    }

    int state_ = 0;
    uint8_t verb_ = 0;
    QByteArray sub_;
};

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Appends within the bound; what does not fit is lost, as on a jammed line.
void queue(QByteArray& q, const QByteArray& bytes) {
    q += bytes.left(TcpLineServer::kMaxQueued - q.size());
}

// Writes what the descriptor takes now.
void send_some(int fd, QByteArray& q) {
    if (fd < 0 || q.isEmpty()) return;
    const ssize_t n = ::send(fd, q.constData(), size_t(q.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) q.remove(0, n);
}

void write_some(int fd, QByteArray& q) {
    if (fd < 0 || q.isEmpty()) return;
    const ssize_t n = ::write(fd, q.constData(), size_t(q.size()));
    if (n > 0) q.remove(0, n);
}
} // namespace

TcpLineServer::TcpLineServer(QString device) : device_(std::move(device)) {}

TcpLineServer::~TcpLineServer() {
    stop();
}

bool TcpLineServer::listen(Mode mode, uint16_t port, QString* error) {
    int& fd = listen_[int(mode)];
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        close_fd(fd);
        return false;
    };
    if (thread_.joinable() || fd >= 0) return fail(QStringLiteral("already listening"));
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return fail(system_error("socket"));
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return fail(system_error("bind"));
    if (::listen(fd, 4) != 0) return fail(system_error("listen"));
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port_[int(mode)] = ntohs(a.sin_port);
    return true;
}

bool TcpLineServer::start(QString* error) {
    auto fail = [&](const QString& why) {
        if (error) *error = why;
        for (int* fd : {&device_fd_, &wake_[0], &wake_[1]}) close_fd(*fd);
        return false;
    };
    if (thread_.joinable()) return fail(QStringLiteral("already serving"));
    stop_ = false;
    device_fd_ =
        ::open(QFile::encodeName(device_).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device_fd_ < 0) return fail(system_error("open the line"));
    if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) return fail(system_error("pipe"));
    thread_ = std::thread(&TcpLineServer::run, this);
    return true;
}

void TcpLineServer::stop() {
    stop_ = true;
    if (wake_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
    }
    if (thread_.joinable()) thread_.join();
    for (int* fd : {&listen_[0], &listen_[1], &device_fd_, &wake_[0], &wake_[1]}) close_fd(*fd);
}

void TcpLineServer::drop_client() {
    drop_ = true;
    if (wake_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
    }
}

void TcpLineServer::run() {
    int client = -1;
    Mode mode = Mode::Raw; // of the client
    TelnetServer telnet;
    QByteArray to_client, to_line;
    char buf[4096];
    while (!stop_) {
        if (drop_.exchange(false)) close_fd(client);
        pollfd fds[5] = {{device_fd_, short(POLLIN | (to_line.isEmpty() ? 0 : POLLOUT)), 0},
                         {wake_[0], POLLIN, 0},
                         {listen_[0], POLLIN, 0},
                         {listen_[1], POLLIN, 0},
                         {client, short(POLLIN | (to_client.isEmpty() ? 0 : POLLOUT)), 0}};
        if (::poll(fds, 5, -1) < 0 && errno != EINTR) break; // negative descriptors are skipped
        if (fds[1].revents & POLLIN)
            while (::read(wake_[0], buf, sizeof buf) > 0) {
            }
        for (Mode m : {Mode::Raw, Mode::Rfc2217}) {
            if (!(fds[2 + int(m)].revents & POLLIN)) continue;
            const int c =
                ::accept4(listen_[int(m)], nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (c < 0) continue;
            close_fd(client);
            client = c;
            mode = m;
            const int yes = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            telnet = TelnetServer();
            to_client.clear();
            to_line.clear();
            ++clients_seen_;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(device_fd_, buf, sizeof buf);
            // With nobody connected the line's bytes go nowhere.
            if (n > 0 && client >= 0) {
                const QByteArray data(buf, n);
                queue(to_client, mode == Mode::Rfc2217 ? TelnetServer::to_client(data) : data);
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            ::usleep(10'000); // the simulated line went away; never spin on it
        }
        if (client >= 0 && (fds[4].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::recv(client, buf, sizeof buf, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                close_fd(client);
            } else if (n > 0) {
                const QByteArray in(buf, n);
                if (mode == Mode::Rfc2217) {
                    QByteArray reply;
                    queue(to_line, telnet.from_client(in, reply));
                    queue(to_client, reply);
                } else {
                    queue(to_line, in);
                }
            }
        }
        write_some(device_fd_, to_line);
        send_some(client, to_client);
    }
    close_fd(client);
}
