// The simulated sensor's request handling, on its own and on the demo line
// (with the first part in its ROM bootloader when the input says so).  A
// sensor answers only well-formed frames for its address with a correct CRC;
// its answers are framed, carry a correct CRC and decode; a table written is
// the table read back.  The line's answers are bounded and timed within 10 s.
//
// Input: a flags byte, then bursts of [length][how][bytes]: `how` bit 0 closes
// the burst with its CRC, bit 1 puts a request start and an address before it.
#include "fuzz_support.h"

#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/replies.h"
#include "sim/sim_line.h"

namespace {

void check_sensor_reply(SimSensor& s, const QByteArray& frame, int64_t t_ms,
                        std::optional<QByteArray>& written_table) {
    const uint8_t address = s.address();
    const bool frequency = s.frequency_output();
    const auto reply = s.hear(frame, t_ms);
    if (!reply) return;
    // Only a whole request frame for this sensor gets an answer.
    FUZZ_CHECK(frame.size() >= 4 && uint8_t(frame[0]) == 0x31 && reply_crc_ok(frame) &&
               uint8_t(frame[1]) == address);
    const QByteArray& r = *reply;
    FUZZ_CHECK(is_framed(r) && reply_crc_ok(r) && r.size() <= kTableReplyLength);
    FUZZ_CHECK(uint8_t(r[1]) == address);
    const uint8_t code = uint8_t(r[2]);
    const uint8_t cmd = uint8_t(frame[2]);
    FUZZ_CHECK(r.size() >= minimum_reply_length(code));
    if (frequency) {
        FUZZ_CHECK(code == RPL_FREQ_MODE && decode_frequency_notice(r).ok());
        return;
    }
    FUZZ_CHECK(code == cmd || code == RPL_WRONG_PASSWORD);
    switch (code) {
    case CMD_READ_STATE: {
        const StateReply st = decode_state(r);
        FUZZ_CHECK(st.coefficient.has_value() && st.address == address);
        FUZZ_CHECK(r.size() == s.state_reply_length());
        break;
    }
    case CMD_READ_ID: {
        const IdentityReply id = decode_identity(r);
        FUZZ_CHECK(id.serial == s.config().serial);
        if (id.version) FUZZ_CHECK(*id.version == s.version());
        break;
    }
    case CMD_READ_TABLE:
        FUZZ_CHECK(r.size() == kTableReplyLength);
        if (written_table) FUZZ_CHECK(r.mid(3, CalibrationTable::kPayloadBytes) == *written_table);
        break;
    case CMD_WRITE_TABLE:
        written_table = frame.mid(frame.size() - 1 - CalibrationTable::kPayloadBytes,
                                  CalibrationTable::kPayloadBytes);
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 8192) return 0;
    const uint8_t flags = data[0];
    // A copy of one demo line: the loaders' memories are shared until written,
    // which saves filling them afresh for every input.
    static const SimLine demo = SimLine::demo();
    SimLine line = demo;
    line.set_wire_timing(flags & 1);
    if (flags & 2) line.enter_bootloader(1);
    static const uint8_t kVersions[] = {130, 163, 171, 176};
    SimSensor sensor(default_sensor_config(5, kVersions[(flags >> 2) & 3], 24050005));
    std::optional<QByteArray> written_table;

    size_t i = 1;
    int64_t t_us = 0;
    while (i + 2 <= size) {
        const size_t len = std::min<size_t>(data[i], size - i - 2);
        const uint8_t how = data[i + 1];
        QByteArray burst = fuzz_bytes(data + i + 2, len);
        i += 2 + len;
        if (how & 2) {
            static const uint8_t kAddresses[] = {1, 5, 12, 0};
            burst.prepend(char(kAddresses[(how >> 2) & 3]));
            burst.prepend(char(0x31));
        }
        if (how & 1) burst = Control_summ(burst);
        t_us += 1'000'000;

        check_sensor_reply(sensor, burst, t_us / 1000, written_table);

        const bool booting = line.in_bootloader(1);
        const LineAnswer answer = line.hear(burst, t_us);
        // Pieces of different parts may come in any order (the ports sort by
        // time); two loaders at one address answer over one another.
        qsizetype total = 0;
        for (const LinePiece& p : answer) {
            FUZZ_CHECK(p.offset_us >= 0 && p.offset_us < 10'000'000 && !p.bytes.isEmpty());
            total += p.bytes.size();
        }
        // A read of memory answers at most 256 bytes a request; the sensors a reply each.
        FUZZ_CHECK(total <= 3 * kTableReplyLength + 64 * 1024);
        // Synchronisation bytes switch the demo's first sensor into its loader.
        if (!booting && !line.in_bootloader(1)) {
            // Nothing but the scan and whole requests gets an answer from sensors.
            if (!answer.empty())
                FUZZ_CHECK(burst.size() >= 3 && uint8_t(burst[0]) == 0x31 && reply_crc_ok(burst));
            for (const LinePiece& p : answer)
                if (uint8_t(burst[1]) != 0xFF)
                    FUZZ_CHECK(is_framed(p.bytes) && reply_crc_ok(p.bytes));
        }
    }
    return 0;
}
