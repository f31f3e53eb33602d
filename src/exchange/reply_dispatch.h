#pragma once
// The one place a framed reply is answered: status line, run-log line, tone,
// and the decoders for replies that carry data.
#include <QByteArray>

#include <cstdint>

struct Configurator;

// `reply` is the whole framed reply (0x3E, address, code, payload, CRC);
// `computed_crc` the CRC-8 of all its bytes but the last.  Only the state
// reply is refused when the two disagree.
void dispatch_reply(Configurator& c, const QByteArray& reply, uint8_t computed_crc);
