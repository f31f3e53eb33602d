#pragma once
// RFC 2217 servers that no one here wrote, on loopback in front of a serial
// device (a pseudo-terminal of the test): Debian's sredird, which expects
// inetd to hand it the connection as stdin and stdout (we play inetd), and
// pyserial's example server (python3-serial), bound to 127.0.0.1.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <thread>

// sredird, one process a connection; a new connection ends the old one's, as
// a gateway that kicks its old user does.
class Sredird {
public:
    static QString program(); // empty when it is not installed
    // On `port` when given (to start again where a stopped one was), else on a free one.
    explicit Sredird(const QString& device, uint16_t port = 0);
    ~Sredird();
    Sredird(const Sredird&) = delete;
    Sredird& operator=(const Sredird&) = delete;
    bool ok() const { return port_ != 0; }
    QString address() const;
    uint16_t port() const { return port_; }

private:
    void run();

    QString device_;
    QTemporaryDir dir_; // its lock file
    int listen_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// pyserial's rfc2217_server.py as Debian ships it among the package's examples.
class PyserialServer {
public:
    static QString example(); // empty when python3-serial is not installed
    // On `port` when given (to start again where a stopped one was), else on a free one.
    explicit PyserialServer(const QString& device, uint16_t port = 0);
    ~PyserialServer();
    PyserialServer(const PyserialServer&) = delete;
    PyserialServer& operator=(const PyserialServer&) = delete;
    bool ok() const { return ok_; }
    QString address() const;
    uint16_t port() const { return port_; }
    QString output();

private:
    QProcess process_;
    QString output_;
    uint16_t port_ = 0;
    bool ok_ = false;
};
