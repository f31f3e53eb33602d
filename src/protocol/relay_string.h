#pragma once
// Relay strings: a request frame written out for a telematics terminal, which
// sends it to a remote sensor over that sensor's RS-485 line and hands the
// answer to its server.  The frames come from the same request builders and
// mode bytes as the requests sent on the local line, so the two cannot drift.
#include "protocol/mode_byte.h"
#include "protocol/result.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The operations a relay string can carry, in the order the generator lists them.
enum class RelayOp : uint8_t {
    EnterPassword,
    ReadState,
    ReadId,
    ShiftFull,
    ShiftEmpty,
    DirectFull,
    DirectEmpty,
    SetMode,
    ChangePassword,
};
inline constexpr int kRelayOpCount = 9;

// The message for a value of `op` that is out of range.
QString relay_range_message(RelayOp op);

inline constexpr int kRelayTimeoutMs = 1500; // how long the terminal waits for the answer
inline constexpr int kRelayBaud = 19200;

// We cannot ask a remote sensor for its firmware, so the user says whether it
// runs 1.7.6 or later; that stands in for the version code everywhere.
inline constexpr int relay_version(bool from_176) {
    return from_176 ? 176 : 0;
}

struct RelayRequest {
    RelayOp op = RelayOp::EnterPassword;
    uint8_t address = 0;
    bool from_176 = false; // trailer, extended mode byte, longer state reply
    int64_t value = 0;     // password, shift or level, as the operation needs
    ModeByte mode;         // SetMode only
    ExtendedMode extended; // SetMode only; sent when from_176
};

// Whether the operation carries a number (password, shift, level).
bool relay_takes_value(RelayOp op);

// How many reply bytes the terminal is to wait for.
int relay_reply_length(RelayOp op, bool from_176);

// The request frame; an OutOfRange error when the value does not fit.
Result<QByteArray> relay_frame(const RelayRequest& r);

// "S485=" length ":" reply length ":" 1500 ":" 19200 ":" frame in upper-case hex.
QString relay_text(const QByteArray& frame, int reply_length);

// Both of the above.
Result<QString> relay_string(const RelayRequest& r);
