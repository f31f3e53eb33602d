#pragma once
// The one place a framed reply is answered: status line, run-log line, tone,
// and the decoders for replies that carry data.
#include <QByteArray>
#include <QString>

#include <cstdint>

struct Configurator;

// `reply` is the whole framed reply (0x3E, address, code, payload, CRC);
// `computed_crc` the CRC-8 of all its bytes but the last.  State, identity and
// table replies are refused when the two disagree (the latter two say so in
// the status line and the run log); confirmations act as they come.  Every
// accepted reply then goes to the exchange's listeners for its code.
void dispatch_reply(Configurator& c, const QByteArray& reply, uint8_t computed_crc);

// Status line and run-log text for a refused identity or table reply.
inline const QString kBadCrcText = QString::fromUtf8(
    QT_TRANSLATE_NOOP("Messages", "Ответ с неверной контрольной суммой, не принят."));
