// Reply decoders: every field is the bytes at its place or absent exactly when
// the reply is too short; a decoded table has 20 points below 32768 and
// encodes back to the payload it came from.
#include "fuzz_support.h"

#include "protocol/frame_codec.h"
#include "protocol/replies.h"

namespace {
uint32_t le(const QByteArray& r, int pos, int width) {
    uint32_t v = 0;
    for (int k = width - 1; k >= 0; --k) v = (v << 8) | uint8_t(r[pos - 1 + k]);
    return v;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input as it came off the line, and as a reply with a correct CRC.
    const QByteArray raw = fuzz_bytes(data, size);
    for (const QByteArray& r : {raw, Control_summ(raw)}) {
        const qsizetype L = r.size();
        FUZZ_CHECK(is_framed(r) == (L >= 4 && uint8_t(r[0]) == 0x3E));
        const auto header = reply_header(r);
        FUZZ_CHECK(header.has_value() == is_framed(r));
        if (header) FUZZ_CHECK(header->address == uint8_t(r[1]) && header->code == uint8_t(r[2]));
        FUZZ_CHECK(minimum_reply_length(L >= 3 ? uint8_t(r[2]) : 0) >= 4);

        const StateReply s = decode_state(r);
        FUZZ_CHECK(s.address.has_value() == (L >= 2));
        FUZZ_CHECK(s.temperature.has_value() == (L >= 4));
        if (s.temperature) FUZZ_CHECK(*s.temperature >= -126 && *s.temperature <= 127);
        FUZZ_CHECK(s.level.has_value() == (L >= 6));
        if (s.level) FUZZ_CHECK(*s.level == le(r, 5, 2));
        FUZZ_CHECK(s.current.has_value() == (L >= 10));
        if (s.current) FUZZ_CHECK(*s.current == le(r, 7, 4));
        FUZZ_CHECK(s.empty.has_value() == (L >= 14) && s.full.has_value() == (L >= 18));
        if (s.full) FUZZ_CHECK(*s.full == le(r, 15, 4));
        FUZZ_CHECK(s.coefficient.has_value() == (L >= 20));
        // Configuration bytes only with the CRC still after them.
        FUZZ_CHECK(s.mode.has_value() == (L >= 22) && s.alarm_level.has_value() == (L >= 23) &&
                   s.extended_mode.has_value() == (L >= 24));

        const IdentityReply id = decode_identity(r);
        FUZZ_CHECK(id.serial.has_value() == (L >= 7));
        if (id.serial) FUZZ_CHECK(*id.serial == le(r, 4, 4));
        FUZZ_CHECK(id.version.has_value() == (L == 10) && id.variant.has_value() == (L == 10));
        if (id.version) {
            const QString v = firmware_version_text(*id.version, *id.variant);
            FUZZ_CHECK(v.endsWith(u'.') && v.size() <= 9);
        }

        const auto mode = decode_mode_confirmation(r);
        FUZZ_CHECK(mode.ok() == (L >= 5));
        if (mode) FUZZ_CHECK(mode->mode == uint8_t(r[3]) && mode->extended.has_value() == (L > 5));
        const auto alarm = decode_alarm_confirmation(r);
        FUZZ_CHECK(alarm.ok() == (L >= 4));
        const auto freq = decode_frequency_notice(r);
        FUZZ_CHECK(freq.ok() == (L >= 5));
        if (freq) FUZZ_CHECK(*freq == (uint8_t(r[3]) << 8 | uint8_t(r[4])));

        const auto table = decode_table_reply(r);
        if (table) {
            FUZZ_CHECK(L == kTableReplyLength);
            for (int k = 0; k < CalibrationTable::kPoints; ++k)
                FUZZ_CHECK(table->readings[k] < 32768 && table->litres[k] < 32768);
            FUZZ_CHECK(table->to_payload() == r.mid(3, CalibrationTable::kPayloadBytes));
            FUZZ_CHECK(CalibrationTable::from_texts(table->to_texts()).value() == *table);
        } else if (L == kTableReplyLength) {
            // Refused only for a value the sensor cannot hold.
            bool high = false;
            for (int k = 3; k < 3 + CalibrationTable::kPayloadBytes; k += 2)
                high = high || (uint8_t(r[k]) & 0x80) != 0;
            FUZZ_CHECK(high);
        }
    }
    return 0;
}
