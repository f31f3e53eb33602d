#include "protocol/requests.h"
#include "i18n/language.h"

#include "protocol/codes.h"
#include "protocol/firmware_capabilities.h"
#include "protocol/frame_codec.h"

bool takes_trailer(uint8_t command) {
    switch (command) {
    case CMD_SET_FULL:
    case CMD_SET_EMPTY:
    case CMD_SHIFT_FULL:
    case CMD_SHIFT_EMPTY:
    case CMD_DIRECT_FULL:
    case CMD_DIRECT_EMPTY:
    case CMD_SET_MODE:
    case CMD_ENTER_PASSWORD:
    case CMD_CHANGE_PASSWORD:
    case CMD_SET_ALARM_LEVEL:
    case CMD_SET_HORIZON:
    case CMD_SET_ADDRESS:
    case CMD_WRITE_TABLE:
        return true;
    default:
        return false;
    }
}

QByteArray build_request(uint8_t address, uint8_t command, int firmware_version,
                         const QByteArray& payload) {
    QByteArray r;
    r.append(char(kRequestStart)).append(char(address)).append(char(command));
    if (takes_trailer(command) && needs_trailer(firmware_version)) r.append(write_trailer());
    r.append(payload);
    return Control_summ(r);
}

namespace {
Error out_of_range(int64_t v, int64_t lo, int64_t hi) {
    return {ErrorKind::OutOfRange,
            fill_text(QT_TRANSLATE_NOOP("Messages", "Значение %1 вне диапазона %2..%3"),
                      {QString::number(v), QString::number(lo), QString::number(hi)})};
}

Result<QByteArray> with_payload(uint8_t address, uint8_t command, int version,
                                const Result<QByteArray>& payload) {
    if (!payload) return payload.error();
    return build_request(address, command, version, *payload);
}
} // namespace

Result<QByteArray> encode_byte(int64_t v, int64_t lo, int64_t hi) {
    if (v < lo || v > hi || v < 0 || v > 255) return out_of_range(v, lo, hi);
    return QByteArray(1, char(v));
}

Result<QByteArray> encode_signed_pair(int64_t v, int64_t lo, int64_t hi) {
    if (v < lo || v > hi || v < -32768 || v > 32767) return out_of_range(v, lo, hi);
    const auto u = uint16_t(v < 0 ? v + 65536 : v);
    QByteArray out;
    out.append(char(u >> 8)).append(char(u & 0xFF));
    return out;
}

Result<QByteArray> encode_long(int64_t v) {
    if (v < 0 || v > kLongMax) return out_of_range(v, 0, kLongMax);
    return Long_to_string(uint32_t(v));
}

namespace request {
QByteArray read_state(uint8_t address) {
    return build_request(address, CMD_READ_STATE, 0);
}
QByteArray net_scan() {
    QByteArray r;
    r.append(char(kRequestStart)).append(char(kScanAddress));
    return Control_summ(r);
}
QByteArray read_id(uint8_t address) {
    return build_request(address, CMD_READ_ID, 0);
}
QByteArray read_table(uint8_t address) {
    return build_request(address, CMD_READ_TABLE, 0);
}
QByteArray set_full(uint8_t address, int version) {
    return build_request(address, CMD_SET_FULL, version);
}
QByteArray set_empty(uint8_t address, int version) {
    return build_request(address, CMD_SET_EMPTY, version);
}
Result<QByteArray> shift_full(uint8_t address, int version, int64_t delta) {
    return with_payload(address, CMD_SHIFT_FULL, version,
                        encode_signed_pair(delta, -kShiftLimit, kShiftLimit));
}
Result<QByteArray> shift_empty(uint8_t address, int version, int64_t delta) {
    return with_payload(address, CMD_SHIFT_EMPTY, version,
                        encode_signed_pair(delta, -kShiftLimit, kShiftLimit));
}
Result<QByteArray> direct_full(uint8_t address, int version, int64_t level) {
    return with_payload(address, CMD_DIRECT_FULL, version, encode_long(level));
}
Result<QByteArray> direct_empty(uint8_t address, int version, int64_t level) {
    return with_payload(address, CMD_DIRECT_EMPTY, version, encode_long(level));
}
QByteArray set_mode(uint8_t address, int version, uint8_t mode, uint8_t extended) {
    QByteArray payload(1, char(mode));
    if (has(version, Capability::ExtendedMode)) payload.append(char(extended));
    return build_request(address, CMD_SET_MODE, version, payload);
}
Result<QByteArray> enter_password(uint8_t address, int version, int64_t password) {
    return with_payload(address, CMD_ENTER_PASSWORD, version, encode_long(password));
}
Result<QByteArray> change_password(uint8_t address, int version, int64_t password) {
    return with_payload(address, CMD_CHANGE_PASSWORD, version, encode_long(password));
}
Result<QByteArray> set_alarm_level(uint8_t address, int version, int64_t percent) {
    return with_payload(address, CMD_SET_ALARM_LEVEL, version,
                        encode_byte(percent, kAlarmMin, kAlarmMax));
}
QByteArray set_horizon(uint8_t address, int version) {
    return build_request(address, CMD_SET_HORIZON, version);
}
Result<QByteArray> set_address(uint8_t address, int version, int64_t new_address) {
    return with_payload(address, CMD_SET_ADDRESS, version, encode_byte(new_address));
}
QByteArray write_table(uint8_t address, int version, const CalibrationTable& table) {
    return build_request(address, CMD_WRITE_TABLE, version, table.to_payload());
}
} // namespace request
