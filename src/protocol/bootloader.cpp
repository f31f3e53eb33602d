#include "protocol/bootloader.h"

namespace bootloader {
namespace {
QByteArray command(uint8_t code) {
    QByteArray f;
    f.append(char(code)).append(char(uint8_t(~code)));
    return f;
}
} // namespace

QByteArray sync() {
    return QByteArray(1, char(kSync));
}
QByteArray erase_command() {
    return command(kCmdErase);
}
QByteArray erase_program() {
    return command(kEraseProgram);
}
QByteArray erase_data() {
    return command(kEraseData);
}
QByteArray write_command() {
    return command(kCmdWrite);
}
QByteArray read_command() {
    return command(kCmdRead);
}
QByteArray go_command() {
    return command(kCmdGo);
}

QByteArray address_frame(uint32_t address) {
    QByteArray f;
    uint8_t x = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const uint8_t b = uint8_t(address >> shift);
        f.append(char(b));
        x ^= b;
    }
    f.append(char(x));
    return f;
}

QByteArray data_frame(const QByteArray& data) {
    if (data.isEmpty() || data.size() > kMaxWrite) return {};
    QByteArray f;
    f.reserve(data.size() + 2);
    f.append(char(data.size() - 1)).append(data);
    uint8_t x = 0;
    for (char c : f) x ^= uint8_t(c);
    f.append(char(x));
    return f;
}

QByteArray read_count_frame(int count) {
    if (count < 1 || count > kMaxRead) return {};
    return command(uint8_t(count - 1));
}

} // namespace bootloader
