#pragma once
// What stands between a network gateway's byte stream and the sensor line's
// bytes: nothing for a raw TCP gateway, telnet with the COM-port control
// option for RFC 2217.  The network port speaks only to this, so another kind
// of gateway is one new class.
#include "link/network_address.h"
#include "protocol/line_settings.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>

class StreamTransport {
public:
    virtual ~StreamTransport() = default;

    enum class Setup { Pending, Ready, Refused };

    // What to send once the connection is up (the request for `line`).
    virtual QByteArray start(const LineSettings& line) = 0;
    // The line's data in bytes as they came from the server (a command may be
    // split anywhere); what is owed to the server is appended to `reply`.
    virtual QByteArray receive(const QByteArray& bytes, QByteArray& reply) = 0;
    // The line's data as the server must get it.
    virtual QByteArray escape(const QByteArray& data) const = 0;
    // Whether the far port is set up; a refusal's reason in `why`, naming the
    // line settings as `settings` says them.
    virtual Setup setup(const QString& settings, QString* why) const = 0;
    // Commands of the transport's own heard so far (not data): a server that
    // sends nothing else, without end, is given up.
    virtual uint64_t commands_heard() const { return 0; }
};

// The bytes as they are: a raw TCP gateway is set up by its own configuration.
class RawTransport final : public StreamTransport {
public:
    QByteArray start(const LineSettings&) override { return {}; }
    QByteArray receive(const QByteArray& bytes, QByteArray&) override { return bytes; }
    QByteArray escape(const QByteArray& data) const override { return data; }
    Setup setup(const QString&, QString*) const override { return Setup::Ready; }
};

// The transport a gateway address asks for.
std::unique_ptr<StreamTransport> transport_for(NetworkAddress::Mode mode);
