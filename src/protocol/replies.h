#pragma once
// Sensor replies as values: 0x3E, address, command code, payload, CRC-8.
// Decoders read payload bytes; nothing outside this file does.
#include "protocol/calibration_table.h"
#include "protocol/result.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

inline constexpr int kTableReplyLength = 4 + CalibrationTable::kPayloadBytes; // 84

// Framed: starts with 0x3E and has at least 4 bytes (header and CRC).
bool is_framed(const QByteArray& reply);

// The fewest bytes a whole reply with this code has (4 for replies without a
// payload).  A shorter piece whose last byte happens to match its CRC is
// only the start of a reply still arriving.
int minimum_reply_length(uint8_t code);

struct ReplyHeader {
    uint8_t address = 0;
    uint8_t code = 0;
};
std::optional<ReplyHeader> reply_header(const QByteArray& reply);

// The state reply (0xF0).  A field is there when its bytes are within the
// reply; the display shows fields in order and stops at the first missing
// one.  The configuration bytes are there only when the CRC still follows
// them (mode from 22 bytes on, alarm level from 23, extended mode from 24).
struct StateReply {
    std::optional<uint8_t> address;       // position 2
    std::optional<int> temperature;       // 4; above 127 the sensor means T - 254
    std::optional<uint16_t> level;        // 5-6, low byte first
    std::optional<uint32_t> current;      // 7-10, low byte first
    std::optional<uint32_t> empty;        // 11-14
    std::optional<uint32_t> full;         // 15-18
    std::optional<uint16_t> coefficient;  // 19-20
    std::optional<uint8_t> mode;          // 21
    std::optional<uint8_t> alarm_level;   // 22
    std::optional<uint8_t> extended_mode; // 23
};
StateReply decode_state(const QByteArray& reply);

// The identity reply (0xFC): the serial number needs 7 bytes, the firmware
// version code and variant a reply of exactly 10.
struct IdentityReply {
    std::optional<uint32_t> serial;
    std::optional<uint8_t> version;
    std::optional<uint8_t> variant;
};
IdentityReply decode_identity(const QByteArray& reply);

// "1.7.6." for 176; a variant in front when not 0 ("21.7.6." with 2).
QString firmware_version_text(uint8_t version, uint8_t variant);

// The mode confirmation (0xF2): at least 5 bytes; the extended byte when longer.
struct ModeConfirmation {
    uint8_t mode = 0;
    std::optional<uint8_t> extended;
};
Result<ModeConfirmation> decode_mode_confirmation(const QByteArray& reply);

// The alarm level confirmation (0xEE): the level in force, position 4.
Result<uint8_t> decode_alarm_confirmation(const QByteArray& reply);

// The frequency-mode notice (0xFE): the output frequency in Hz, positions 4-5,
// high byte first.
Result<uint16_t> decode_frequency_notice(const QByteArray& reply);

// The table reply (0xEF): exactly 84 bytes, every value below 32768.
Result<CalibrationTable> decode_table_reply(const QByteArray& reply);
