#pragma once
// A real ser2net on loopback, started by a test: one accepter a connection,
// raw TCP or telnet with RFC 2217, each in front of a serial device (a
// pseudo-terminal of the test).
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <vector>

class Ser2net {
public:
    struct Connection {
        QString device;
        bool rfc2217 = false;
        QString line = QStringLiteral("9600n81"); // what ser2net sets the device to
    };

    // Whether a ser2net program is there to start.
    static bool installed();

    // Starts `ser2net -n -c CONFIG` with each connection on a free port of
    // 127.0.0.1 and waits until every port takes connections.
    // `ports`, when given, are the TCP ports to serve on (a restarted server
    // comes back where it was).
    explicit Ser2net(const std::vector<Connection>& connections,
                     const std::vector<uint16_t>& ports = {});
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    bool ok() const { return ok_; }
    // "tcp://127.0.0.1:PORT" or "rfc2217://127.0.0.1:PORT" of connection `i`.
    QString address(int i) const;
    const std::vector<uint16_t>& ports() const { return ports_; }
    // The server dies under its clients (from any thread).
    void kill();
    QString output();

private:
    QTemporaryDir dir_;
    QProcess process_;
    std::vector<Connection> connections_;
    std::vector<uint16_t> ports_;
    bool ok_ = false;
    qint64 pid_ = 0;
};

// A loopback port nobody listens on (just let go by the system).
uint16_t unused_tcp_port();
