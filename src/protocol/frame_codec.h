#pragma once
// The byte-level rules every exchange with a sensor shares: CRC-8, the request
// envelope, the 32-bit payload encoding and hexadecimal text.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// One CRC-8 step (Dallas/Maxim 1-Wire, reflected 0x8C, initial 0): folds `data`
// into `running`, stores the new value back and returns it.
uint8_t crc(uint8_t data, uint8_t& running);

// CRC-8 of a whole byte string, starting from 0.
uint8_t crc8(const QByteArray& bytes);

// The request with its CRC-8 byte appended.
QByteArray Control_summ(const QByteArray& request);

// True when the last byte is the CRC-8 of all the bytes before it.
bool reply_crc_ok(const QByteArray& reply);

// 32-bit value as four bytes, most significant first.  Callers keep the value
// within 0..2,147,483,647.
QByteArray Long_to_string(uint32_t value);

// Hexadecimal text to bytes, two digits a byte, high digit first.  Blanks,
// tabs and line ends between digits are skipped (server logs and pasted text
// are often spaced); any other character that is not a hex digit gives
// nothing at all, since a frame with a guessed byte in it would be worse than
// none.  A final unpaired digit is dropped.  Empty text gives an empty array.
std::optional<QByteArray> parse_hex(const QString& text);

// Unsigned values of `width` bytes (1..4), most or least significant first,
// from 1-based `pos`; nothing when the bytes are not all there.
std::optional<uint32_t> read_be(const QByteArray& bytes, int pos, int width);
std::optional<uint32_t> read_le(const QByteArray& bytes, int pos, int width);

// Frame bytes as "31 05 F0 FE", for logs and golden transcripts.
QString to_hex(const QByteArray& bytes);
