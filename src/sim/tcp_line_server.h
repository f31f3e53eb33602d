#pragma once
// The simulated line on a TCP port of 127.0.0.1, for programs that reach
// their sensors through a serial device server.  It stands where such a
// server stands, between the network and a serial device (the pseudo-terminal
// of a PtyServer), and passes the bytes both ways: as they are in raw mode;
// in telnet mode as the server side of RFC 2217 (0xFF doubled, options
// answered, line settings confirmed as asked: a pseudo-terminal has no baud).
// It may listen on two ports, one a mode; one client at a time on either,
// and a new one takes the line from the old one, as a gateway's "kick old
// user" does.
#include <QString>

#include <atomic>
#include <cstdint>
#include <thread>

class TcpLineServer {
public:
    enum class Mode { Raw, Rfc2217 };
    // Bytes held for a side that does not take them, at most; more is dropped.
    static constexpr int kMaxQueued = 16'384;

    explicit TcpLineServer(QString device);
    ~TcpLineServer();
    TcpLineServer(const TcpLineServer&) = delete;
    TcpLineServer& operator=(const TcpLineServer&) = delete;

    // Listens on 127.0.0.1:`port` (0: any free port) for clients of `mode`,
    // before start().  False with a reason in `error` on failure.
    bool listen(Mode mode, uint16_t port, QString* error = nullptr);
    // Opens the device and serves.  False with a reason in `error` on failure.
    bool start(QString* error = nullptr);
    void stop();
    // The port listened on for `mode`; 0 when none.
    uint16_t port(Mode mode) const { return port_[int(mode)]; }
    // The client loses its connection (for fault tests); later ones are served.
    void drop_client();
    // Clients accepted so far.
    uint64_t clients_seen() const { return clients_seen_; }

private:
    void run();

    QString device_;
    uint16_t port_[2] = {0, 0};
    int listen_[2] = {-1, -1}; // by Mode
    int device_fd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> drop_{false};
    std::atomic<uint64_t> clients_seen_{0};
};
