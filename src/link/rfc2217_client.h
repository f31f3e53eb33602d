#pragma once
// The client side of telnet with the COM-port control option, as serial
// device servers speak it (ser2net's "telnet(rfc2217)", gateways in "RFC 2217"
// mode).  Pure bytes in, bytes out; the socket is the caller's.
//
// The client offers binary transmission and suppressed go-ahead both ways and
// the COM-port option from its side, refuses every other option the server
// proposes (echo above all: our own requests must not come back as replies),
// asks the far port for the line settings and notes what the server confirms.
// In the data it sends, 0xFF (IAC) is doubled; from what it receives it takes
// the doubling and every telnet command out.
//
// Servers are taken as they are: a value longer than the option says counts
// by its first bytes (sredird confirms the baud rate in eight), notices it
// has no use for are dropped, and an option refused once is not refused again
// however often the server asks, so a server repeating itself gets no more
// answers than one that asks once.  What it owes is bounded per connection;
// the rate of commands is for the port to judge (commands_heard()).
#include "link/stream_transport.h"
#include "protocol/line_settings.h"

#include <QByteArray>

#include <array>
#include <cstdint>

class Rfc2217Client final : public StreamTransport {
public:
    static constexpr uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251;
    static constexpr uint8_t kSb = 250, kSe = 240;
    static constexpr uint8_t kBinary = 0, kEcho = 1, kSuppressGoAhead = 3, kComPort = 44;
    // COM-port commands (client to server); the server answers with 100 added.
    static constexpr uint8_t kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4,
                             kSetControl = 5;
    // A subnegotiation longer than this is cut: none we read is anywhere near.
    static constexpr int kMaxSubnegotiation = 64;

    // What to send once the connection is up: the option offers, then the
    // request for `line` (no flow control).
    QByteArray start(const LineSettings& line) override;

    // Takes bytes as they came from the server (a command may be split
    // anywhere) and returns the data in them; answers owed to the server are
    // appended to `reply`.
    QByteArray receive(const QByteArray& bytes, QByteArray& reply) override;

    // Data for the wire: IAC doubled (and CR followed by NUL while the server
    // has not agreed to binary transmission from us).
    QByteArray escape(const QByteArray& data) const override;
    // Ready once every line setting is confirmed; refused when the server
    // will not take COM-port commands or confirms another value.
    Setup setup(const QString& settings, QString* why) const override;
    uint64_t commands_heard() const override { return commands_; }

    // The server has confirmed every line setting asked for, with the values asked.
    bool line_confirmed() const;
    // The server confirmed a setting with another value than asked.
    bool line_refused() const { return mismatch_; }
    // The server will not take COM-port commands from us.
    bool com_port_refused() const { return com_port_refused_; }
    // The baud rate the server last confirmed; 0 before it has.
    uint32_t confirmed_baud() const { return confirmed_baud_; }

private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    void option(uint8_t verb, uint8_t opt, QByteArray& reply);
    void subnegotiation();

    State state_ = State::Data;
    uint8_t verb_ = 0;
    QByteArray sub_;
    uint64_t sub_dropped_ = 0; // bytes of it past kMaxSubnegotiation
    bool last_cr_ = false;
    // Options enabled on our side and on the server's.
    std::array<bool, 256> us_{};
    std::array<bool, 256> him_{};
    // Options already refused, on our side and on the server's.
    std::array<bool, 256> refused_us_{};
    std::array<bool, 256> refused_him_{};
    uint64_t commands_ = 0;
    // Setting -> the value asked for; confirmed when the answer matched.
    std::array<uint32_t, 5> asked_{};
    std::array<bool, 5> confirmed_{};
    bool mismatch_ = false;
    bool com_port_refused_ = false;
    uint32_t confirmed_baud_ = 0;
};
