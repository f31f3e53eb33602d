#pragma once
// The ROM bootloader of the sensor's microcontroller (STM8) as frames: the
// synchronisation byte, every command byte followed by its complement, every
// address and data frame closed by the XOR of its bytes.  The answers are one
// byte, acknowledge or refusal; a read of memory answers with the bytes after
// its acknowledge.
#include <QByteArray>

#include <cstdint>

namespace bootloader {

inline constexpr uint8_t kSync = 0x7F;
inline constexpr uint8_t kAck = 0x79;
inline constexpr uint8_t kNack = 0x1F;

inline constexpr uint8_t kCmdErase = 0x43;
inline constexpr uint8_t kCmdWrite = 0x31;
inline constexpr uint8_t kCmdRead = 0x11;
inline constexpr uint8_t kCmdGo = 0x21;
inline constexpr uint8_t kEraseProgram = 0xFF; // the global erase
inline constexpr uint8_t kEraseData = 0xEE;    // the data memory too: the calibrations

inline constexpr int kMaxWrite = 128; // one block a frame
inline constexpr int kMaxRead = 256;

QByteArray sync();          // 7F
QByteArray erase_command(); // 43 BC
QByteArray erase_program(); // FF 00
QByteArray erase_data();    // EE 11
QByteArray write_command(); // 31 CE
QByteArray read_command();  // 11 EE
QByteArray go_command();    // 21 DE

// A3 A2 A1 A0 X: the address most significant byte first, X their XOR.
QByteArray address_frame(uint32_t address);
// 1 to 128 bytes to write: count minus one, the bytes, the XOR of all before
// it.  Empty for any other length.
QByteArray data_frame(const QByteArray& data);
// One byte to write: 00 V V.
inline QByteArray byte_frame(uint8_t value) {
    return data_frame(QByteArray(1, char(value)));
}
// How many bytes to read, 1 to 256: count minus one and its complement.
// Empty for any other count.
QByteArray read_count_frame(int count);

} // namespace bootloader
