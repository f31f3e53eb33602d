#pragma once
#include "protocol/firmware_capabilities.h"
// Command and reply codes of the sensor protocol, and the write trailer.  The
// configurator and the simulated sensors both take them from here.
#include <QByteArray>
#include <cstdint>

inline constexpr uint8_t kRequestStart = 0x31; // '1'
inline constexpr uint8_t kReplyStart = 0x3E;   // '>'
inline constexpr uint8_t kScanAddress = 0xFF;  // stands where the address stands in a scan

// Requests.
inline constexpr uint8_t CMD_READ_STATE = 0xF0;
inline constexpr uint8_t CMD_NET_SCAN = 0xFF;
inline constexpr uint8_t CMD_READ_ID = 0xFC;
inline constexpr uint8_t CMD_SET_FULL = 0xF5;
inline constexpr uint8_t CMD_SET_EMPTY = 0xFA;
inline constexpr uint8_t CMD_SHIFT_FULL = 0xF4;
inline constexpr uint8_t CMD_SHIFT_EMPTY = 0xF9;
inline constexpr uint8_t CMD_DIRECT_FULL = 0xEC;
inline constexpr uint8_t CMD_DIRECT_EMPTY = 0xED;
inline constexpr uint8_t CMD_SET_MODE = 0xF2;
inline constexpr uint8_t CMD_ENTER_PASSWORD = 0xF8;
inline constexpr uint8_t CMD_CHANGE_PASSWORD = 0xF7;
inline constexpr uint8_t CMD_SET_ALARM_LEVEL = 0xEE;
inline constexpr uint8_t CMD_SET_HORIZON = 0xAA;
inline constexpr uint8_t CMD_SET_ADDRESS = 0xFB;
inline constexpr uint8_t CMD_READ_TABLE = 0xEF;
inline constexpr uint8_t CMD_WRITE_TABLE = 0xF1;

// Codes that only ever appear in replies.
inline constexpr uint8_t RPL_WRONG_PASSWORD = 0xFD;
inline constexpr uint8_t RPL_FREQ_MODE = 0xFE;
inline constexpr uint8_t RPL_SERIAL_WRITTEN = 0xF6; // serial-number write, done at the factory
inline constexpr uint8_t RPL_PASSWORD_NOTE = 0x06;

// Sensors with the write trailer (see firmware_capabilities.h) expect these
// three bytes right after the command byte of every request that changes them.
inline constexpr uint8_t kTrailerBytes[3] = {0x5A, 0xC3, 0x96};
inline QByteArray write_trailer() {
    return QByteArray(reinterpret_cast<const char*>(kTrailerBytes), 3);
}
inline bool needs_trailer(int firmware_version_code) {
    return has(firmware_version_code, Capability::WriteTrailer);
}
