// Relay strings and the mode bytes in them.  A string is made exactly when the
// value fits the operation; it reads back as its frame and lengths; the frame
// carries a correct CRC and the simulated sensor (with its own decoders)
// answers it within as many bytes as the terminal is told to wait for.
#include "fuzz_support.h"

#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/mode_byte.h"
#include "protocol/relay_string.h"
#include "protocol/requests.h"
#include "sim/sim_sensor.h"

#include <cstring>

namespace {

bool value_fits(RelayOp op, int64_t v) {
    switch (op) {
    case RelayOp::ShiftFull:
    case RelayOp::ShiftEmpty:
        return v >= -kShiftLimit && v <= kShiftLimit;
    case RelayOp::EnterPassword:
    case RelayOp::ChangePassword:
    case RelayOp::DirectFull:
    case RelayOp::DirectEmpty:
        return v >= 0 && v <= kLongMax;
    default:
        return true;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) return 0;
    // Mode bytes: every byte decodes, and encodes back when it names an interface.
    const ModeByte m = ModeByte::decode(data[3]);
    if (m.output) FUZZ_CHECK(m.encode() == data[3]);
    const ExtendedMode e = ExtendedMode::decode(data[4]);
    // Encoding settles what the sensor keeps (quality wins over angle); that stays.
    FUZZ_CHECK(ExtendedMode::decode(e.encode()).encode() == e.encode() && e.smoothing_level <= 15);

    RelayRequest r;
    r.op = RelayOp(data[0] % kRelayOpCount);
    r.address = data[1];
    r.from_176 = data[2] & 1;
    int64_t raw = 0;
    std::memcpy(&raw, data + 4, sizeof raw);
    // Mostly values near the ranges, sometimes anything.
    r.value = (data[2] & 2) ? raw : raw % 4'000'000'000;
    r.mode = m.output ? m : ModeByte{};
    r.extended = e;

    const Result<QString> text = relay_string(r);
    FUZZ_CHECK(text.ok() == value_fits(r.op, r.value));
    if (!text) return 0;
    const QByteArray frame = relay_frame(r).value();
    FUZZ_CHECK(frame.size() >= 4 && uint8_t(frame[0]) == 0x31 && uint8_t(frame[1]) == r.address);
    FUZZ_CHECK(reply_crc_ok(frame));

    // "S485=" frame length ":" reply length ":" 1500 ":" 19200 ":" hex
    const QStringList fields = text->split(u':');
    FUZZ_CHECK(fields.size() == 5 &&
               fields[0] == QStringLiteral("S485=") + QString::number(frame.size()));
    const int reply_length = relay_reply_length(r.op, r.from_176);
    FUZZ_CHECK(fields[1] == QString::number(reply_length));
    FUZZ_CHECK(fields[2] == QString::number(kRelayTimeoutMs) &&
               fields[3] == QString::number(kRelayBaud));
    FUZZ_CHECK(parse_hex(fields[4]) == frame && fields[4] == fields[4].toUpper());

    // The sensor of that generation answers within the length the terminal
    // waits for ("before 1.7.6" means the 1.7.x ones that report an alarm level).
    SimSensor sensor(default_sensor_config(r.address, r.from_176 ? 176 : 171));
    const auto reply = sensor.hear(frame, 0);
    FUZZ_CHECK(reply.has_value());
    // The operation confirmed, or a password refused.
    const uint8_t code = uint8_t(reply->at(2));
    FUZZ_CHECK(reply_crc_ok(*reply) && (code == uint8_t(frame[2]) || code == RPL_WRONG_PASSWORD));
    // The lengths are fixed per operation; the waits for a confirmation are
    // generous, those for the data replies exact.
    FUZZ_CHECK(reply->size() <= reply_length);
    if (r.op == RelayOp::ReadState || r.op == RelayOp::ReadId)
        FUZZ_CHECK(reply->size() == reply_length);
    return 0;
}
