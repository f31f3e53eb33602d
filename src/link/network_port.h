#pragma once
// A sensor line behind a serial device server, reached over TCP: raw TCP
// ("tcp://HOST:PORT", the bytes as they are) or telnet with the COM-port
// option ("rfc2217://HOST:PORT", the far port set to the line settings
// asked for).  To the rest of the program it is one more serial port.
//
// Threads, as with the local port: the socket lives in a private I/O thread;
// the blocking calls hop there and wait, so they work the same from the UI
// thread and from the firmware upload's worker; ReadAsync answers on the
// thread that created the adapter.  The read rules are the serial ones (255
// bytes, 20 ms after the last byte, 256 ms in all), taken on the bytes after
// the telnet layer, so a reply split over several segments is one reply.
//
// Opening resolves the name, connects and, for RFC 2217, waits for the
// server to confirm the line settings, all within connect_timeout_ms.  A
// failure leaves a message naming the address in LastOpenMessage().
// OpenPort waits that long at most, as for any blocking call of the port (an
// event loop of its own here would let timers and stop signals run the
// window's procedures in the middle of its open); the window uses
// OpenPortAsync, which answers from its event loop.
// A connection that drops is handled as an unplugged adapter: reading and
// writing stop (reads empty, writes 0) until ClosePort, and LostMessage()
// says so naming the address.  So does a server that sends telnet commands
// without end: it is let go.
#include "link/threaded_port.h"

#include <atomic>
#include <optional>

class NetworkPortIo;

class NetworkPort final : public ThreadedPort {
public:
    // Received bytes kept at most while nobody reads them.
    static constexpr qint64 kBacklogBytes = 4096;
    static constexpr int kConnectTimeoutMs = 5000;

    explicit NetworkPort(int connect_timeout_ms = kConnectTimeoutMs);
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    // `device`: "tcp://HOST:PORT" or "rfc2217://HOST:PORT", with or without
    // a leading "\\.\".  A malformed address opens nothing (OpenFailure::Setup,
    // the reason in LastOpenMessage()).
    bool OpenPort(const QString& device, const QString& settings) override;
    // Call it from the thread that created the port.
    void OpenPortAsync(const QString& device, const QString& settings,
                       std::function<void(bool)> opened) override;
    int ClosePort() override;
    void FlushPort() override;
    void DiscardInput() override;
    uint16_t WritePort(const QByteArray& data) override;
    // Whether `name` is a well-formed network address; nothing is probed.
    bool PortExists(const QString& name) override;

    bool LinkLost() const override;
    QString LostMessage() const override;
    OpenFailure LastOpenFailure() const override { return failure_; }
    QString LastOpenMessage() const override { return open_message_; }

private:
    struct Target;
    // Closes what is open and checks the address and settings; empty, with
    // the failure set, when they will not do.
    std::optional<Target> begin_open(const QString& device, const QString& settings);
    void end_open(bool ok, const QString& message);

    NetworkPortIo* io_ = nullptr; // lives in the I/O thread
    std::atomic<OpenFailure> failure_{OpenFailure::None};
    QString open_message_;
    QString address_text_; // of the last open, as the user gave it
    uint64_t opening_next_ = 0;
    std::atomic<uint64_t> opening_live_{0}; // the asynchronous open under way, if any
};
