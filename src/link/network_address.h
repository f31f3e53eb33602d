#pragma once
// Where a serial device server listens: "tcp://HOST:PORT" for a gateway in
// raw TCP mode, "rfc2217://HOST:PORT" for one that speaks telnet with the
// COM-port option.  HOST is a name, an IPv4 address or an IPv6 address in
// brackets ("tcp://[::1]:4001").
#include <QString>

#include <cstdint>
#include <optional>

struct NetworkAddress {
    enum class Mode { RawTcp, Rfc2217 };
    Mode mode = Mode::RawTcp;
    QString host; // without the brackets of an IPv6 address
    uint16_t port = 0;

    // The address as the user writes it.
    QString text() const;
};

// Whether `name` is meant as a network address rather than a device: it has
// a "SCHEME://" in front (a "\\.\" device prefix before it is ignored).  Such
// a name either parses below or is bad input; it is never opened as a device.
bool is_network_address(const QString& name);

// The address in `name`, or nothing with the reason in `why` (for the user).
// The longest host name there can be.
inline constexpr int kMaxHostName = 253;

std::optional<NetworkAddress> parse_network_address(const QString& name, QString* why = nullptr);
