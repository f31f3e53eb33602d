#pragma once
// Gateways on loopback that misbehave on purpose, one client each, each in a
// thread of its own (so a test may wait on a program meanwhile); header only,
// for tests and benchmarks alike.
#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace scripted {
// A listening socket on 127.0.0.1, any free port; its port in `port`.
inline int listen_loopback(uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(fd, 1) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(a.sin_port);
    return fd;
}

// The next client, or -1 once `stop` is set.
inline int accept_one(int listen_fd, const std::atomic<bool>& stop) {
    while (!stop) {
        pollfd p{listen_fd, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) return ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    }
    return -1;
}

// What an RFC 2217 server says to confirm the sensor line's settings.
inline QByteArray line_confirmed() {
    return QByteArray::fromHex("FFFA2C6500004B00FFF0FFFA2C6608FFF0FFFA2C6701FFF0FFFA2C6801FFF0");
}
} // namespace scripted

// A telnet server that never stops negotiating: after its greeting it sends
// option requests for every option, again and again, with NOPs and modem
// notices between them, as fast as the client takes them.  It counts what the
// client sends back.
class FloodServer {
public:
    // `confirm`: the line settings are confirmed first (19200,n,8,1), so the
    // client's open succeeds; otherwise the flood starts at once.
    explicit FloodServer(bool confirm) : confirm_(confirm) {
        listen_ = scripted::listen_loopback(port_);
        if (listen_ >= 0) thread_ = std::thread([this] { run(); });
    }
    ~FloodServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listen_ >= 0) ::close(listen_);
    }
    FloodServer(const FloodServer&) = delete;
    FloodServer& operator=(const FloodServer&) = delete;

    uint16_t port() const { return port_; }
    // Bytes sent and bytes the client sent back, so far.
    uint64_t sent() const { return sent_; }
    uint64_t heard() const { return heard_; }
    // Whether the client has let the connection go.
    bool client_gone() const { return gone_; }

    static QByteArray flood_chunk() {
        QByteArray b;
        for (int opt = 0; opt < 256; ++opt) {
            if (opt == 0 || opt == 3 || opt == 44) continue; // the options a client takes
            b += QByteArray::fromHex("FFFD") + char(opt) + QByteArray::fromHex("FFFB") + char(opt);
            b += QByteArray::fromHex("FFF1FFFA2C6B00FFF0");
        }
        return b;
    }

private:
    void run() {
        const int client = scripted::accept_one(listen_, stop_);
        if (client < 0) return;
        QByteArray out = confirm_ ? scripted::line_confirmed() : QByteArray();
        const QByteArray chunk = flood_chunk();
        qsizetype at = 0;
        char buf[4096];
        // Confirming, it floods only once the client has sent a request
        // (0x31 begins one): the open is over by then, however slow the client.
        bool flooding = !confirm_;
        while (!stop_) {
            if (at >= out.size() && flooding) {
                out = chunk;
                at = 0;
            }
            pollfd p{client, short(POLLIN | (at < out.size() ? POLLOUT : 0)), 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            if (p.revents & POLLIN) {
                const ssize_t n = ::recv(client, buf, sizeof buf, MSG_DONTWAIT);
                if (n <= 0 && !(n < 0 && errno == EAGAIN)) break;
                if (n > 0) heard_ += uint64_t(n);
                if (n > 0 && std::memchr(buf, 0x31, size_t(n))) flooding = true;
            }
            if (p.revents & (POLLHUP | POLLERR)) break;
            if ((p.revents & POLLOUT) && at < out.size()) {
                const ssize_t n = ::send(client, out.constData() + at, size_t(out.size() - at),
                                         MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n < 0 && errno != EAGAIN) break;
                if (n > 0) {
                    at += n;
                    sent_ += uint64_t(n);
                }
            }
        }
        gone_ = true;
        ::close(client);
    }

    bool confirm_;
    int listen_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false}, gone_{false};
    std::atomic<uint64_t> sent_{0}, heard_{0};
};

// A gateway that lets the connection go once it has heard `trigger` (a
// request), without an answer: the sensor line behind it is never reached.
// For RFC 2217 it confirms the line settings first.
class DroppingServer {
public:
    DroppingServer(bool rfc2217, QByteArray trigger)
        : rfc2217_(rfc2217), trigger_(std::move(trigger)) {
        listen_ = scripted::listen_loopback(port_);
        if (listen_ >= 0) thread_ = std::thread([this] { run(); });
    }
    ~DroppingServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listen_ >= 0) ::close(listen_);
    }
    DroppingServer(const DroppingServer&) = delete;
    DroppingServer& operator=(const DroppingServer&) = delete;
    QString address() const {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(rfc2217_ ? QStringLiteral("rfc2217") : QStringLiteral("tcp"))
            .arg(port_);
    }
    bool dropped() const { return dropped_; }

private:
    void run() {
        while (!stop_) {
            const int client = scripted::accept_one(listen_, stop_);
            if (client < 0) return;
            if (rfc2217_) {
                const QByteArray hello = scripted::line_confirmed();
                ::send(client, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL);
            }
            QByteArray heard;
            char buf[1024];
            while (!stop_ && !heard.contains(trigger_)) {
                pollfd p{client, POLLIN, 0};
                if (::poll(&p, 1, 50) <= 0) continue;
                const ssize_t n = ::recv(client, buf, sizeof buf, 0);
                if (n <= 0) break;
                heard.append(buf, n);
            }
            dropped_ = heard.contains(trigger_);
            ::close(client);
        }
    }

    bool rfc2217_;
    QByteArray trigger_;
    int listen_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false}, dropped_{false};
};
