// Request frames and reply decoders against the byte vectors the sensors use.
#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/mode_byte.h"
#include "protocol/replies.h"
#include "protocol/requests.h"

#include <gtest/gtest.h>

namespace {
QByteArray hex(const char* h) {
    return QByteArray::fromHex(h);
}
// A frame without its CRC, as written in the vectors below, with the CRC added.
QByteArray framed(const char* h) {
    return Control_summ(hex(h));
}
const char* show(const Result<QByteArray>& r) {
    static std::string s;
    s = r ? to_hex(*r).toStdString() : "error: " + r.error().text.toStdString();
    return s.c_str();
}
} // namespace

TEST(Requests, FramesMatchTheirVectors) {
    struct Row {
        Result<QByteArray> got;
        const char* want; // without CRC; "" when the value must be refused
    };
    const CalibrationTable t = CalibrationTable::defaults();
    const Row rows[] = {
        {request::read_state(5), "3105F0"},
        {request::read_state(0), "3100F0"},
        {request::net_scan(), "31FF"},
        {request::read_id(5), "3105FC"},
        {request::read_table(1), "3101EF"},
        // The trailer goes after the command byte from firmware 175 on.
        {request::set_alarm_level(5, 174, 20), "3105EE14"},
        {request::set_alarm_level(5, 175, 20), "3105EE5AC39614"},
        {request::set_alarm_level(5, 176, 99), "3105EE5AC39663"},
        {request::set_alarm_level(5, 176, 0), ""},
        {request::set_alarm_level(5, 176, 100), ""},
        {request::shift_empty(5, 174, -1), "3105F9FFFF"},
        {request::shift_empty(5, 174, -1000), "3105F9FC18"},
        {request::shift_full(5, 174, 1000), "3105F403E8"},
        {request::shift_full(5, 174, 1001), ""},
        {request::shift_full(5, 174, -1001), ""},
        {request::direct_full(5, 174, 100000), "3105EC000186A0"},
        {request::direct_empty(5, 175, 2'000'000'000), "3105ED5AC39677359400"},
        {request::direct_empty(5, 175, 2'000'000'001), ""},
        {request::direct_empty(5, 175, -1), ""},
        {request::set_full(5, 174), "3105F5"},
        {request::set_empty(5, 176), "3105FA5AC396"},
        {request::set_horizon(5, 175), "3105AA5AC396"},
        {request::set_mode(5, 174, 0x85, 0xA7), "3105F285"},
        {request::set_mode(5, 175, 0x85, 0xA7), "3105F25AC39685"},
        {request::set_mode(5, 176, 0x85, 0xA7), "3105F25AC39685A7"},
        {request::enter_password(3, 174, 1234), "3103F8000004D2"},
        {request::change_password(3, 175, 0), "3103F75AC39600000000"},
        {request::set_address(5, 174, 255), "3105FBFF"},
        {request::set_address(5, 174, 256), ""},
        {request::set_address(5, 174, -1), ""},
    };
    for (const Row& r : rows) {
        if (*r.want == '\0') {
            EXPECT_FALSE(r.got.ok()) << show(r.got);
            EXPECT_EQ(r.got.error().kind, ErrorKind::OutOfRange);
        } else {
            EXPECT_EQ(show(r.got), to_hex(framed(r.want)).toStdString()) << r.want;
        }
    }
    EXPECT_EQ(request::read_state(5), hex("3105F0FE"));
    EXPECT_EQ(request::net_scan(), hex("31FFDC"));
    EXPECT_EQ(request::read_table(1), hex("3101EF19"));
    EXPECT_EQ(request::set_alarm_level(5, 174, 20).value(), hex("3105EE14A7"));

    // A table write: 84 bytes, or 87 with the trailer before the first data byte.
    EXPECT_EQ(request::write_table(1, 174, t).size(), 84);
    const QByteArray w = request::write_table(1, 175, t);
    ASSERT_EQ(w.size(), 87);
    EXPECT_EQ(w.mid(3, 3), write_trailer());
    EXPECT_EQ(w.mid(6, 2), hex("00C8"));      // point 0 reading, 200
    EXPECT_EQ(w.mid(6 + 38, 2), hex("1000")); // point 19 reading, 4096
    EXPECT_TRUE(reply_crc_ok(w));
}

TEST(ModeBytes, EncodeAndDecodeByOneTable) {
    struct Row {
        ModeByte m;
        uint8_t byte;
    };
    const Row rows[] = {
        {{OutputInterface::Frequency, true, false, true, false, false}, 0x85},
        {{OutputInterface::PeriodicRs485, false, true, false, true, false}, 0x58},
        {{OutputInterface::Periodic, false, false, false, false, true}, 0x26},
        {{OutputInterface::Rs232, false, false, false, false, false}, 0x12},
        {{OutputInterface::Analog, true, true, true, true, true}, 0xEB},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.m.encode(), r.byte);
        EXPECT_EQ(ModeByte::decode(r.byte), r.m) << int(r.byte);
    }
    // Output bits that name no interface decode to none.
    EXPECT_FALSE(ModeByte::decode(0x14).output.has_value());
    EXPECT_FALSE(ModeByte::decode(0x16).output.has_value());

    EXPECT_EQ((ExtendedMode{7, false, true, true}).encode(), 0xA7);
    EXPECT_EQ((ExtendedMode{3, true, true, false}).encode(), 0x23); // quality wins
    EXPECT_EQ((ExtendedMode{0, true, false, false}).encode(), 0x10);
    EXPECT_EQ(ExtendedMode::decode(0xA7), (ExtendedMode{7, false, true, true}));
}

TEST(Replies, DecodeTheirPayloads) {
    // The worked example of a 24-byte state reply.
    const StateReply s = decode_state(framed("3E05F0152C03C1B0130060EA000050BD01001000260F05"));
    EXPECT_EQ(s.address, 5);
    EXPECT_EQ(s.temperature, 21);
    EXPECT_EQ(s.level, 812);
    EXPECT_EQ(s.current, 1290433u);
    EXPECT_EQ(s.empty, 60000u);
    EXPECT_EQ(s.full, 114000u);
    EXPECT_EQ(s.coefficient, 16);
    EXPECT_EQ(s.mode, 0x26);
    EXPECT_EQ(s.alarm_level, 15);
    EXPECT_EQ(s.extended_mode, 5);
    // 22 bytes: the mode byte, no alarm level, no extended byte.
    const StateReply s22 = decode_state(framed("3E05F0802C03C1B0130060EA000050BD01001000A0"));
    EXPECT_EQ(s22.mode, 0xA0);
    EXPECT_EQ(s22.temperature, -126);
    EXPECT_FALSE(s22.alarm_level.has_value());
    // A short reply keeps what it holds.
    const StateReply s12 = decode_state(hex("3E05F0152C03C1B0130060EA"));
    EXPECT_EQ(s12.current, 1290433u);
    EXPECT_FALSE(s12.empty.has_value());

    const IdentityReply id = decode_identity(framed("3E05FC39300000B002"));
    EXPECT_EQ(id.serial, 12345u);
    EXPECT_EQ(id.version, 176);
    EXPECT_EQ(id.variant, 2);
    EXPECT_EQ(firmware_version_text(176, 2), QStringLiteral("21.7.6."));
    EXPECT_EQ(firmware_version_text(95, 0), QStringLiteral("9.5.."));
    EXPECT_FALSE(decode_identity(framed("3E05FC3930")).serial.has_value());  // 6 bytes
    const IdentityReply partial = decode_identity(framed("3E05FC39300000")); // 8 bytes
    EXPECT_EQ(partial.serial, 12345u);
    EXPECT_FALSE(partial.version.has_value());
    // Nine bytes: the last is the CRC, so no version and no variant.
    EXPECT_FALSE(decode_identity(framed("3E05FC39300000B0")).version.has_value());

    EXPECT_EQ(decode_frequency_notice(hex("3E05FE01F40F")).value(), 500);
    EXPECT_FALSE(decode_frequency_notice(hex("3E05FE01")).ok());
    EXPECT_EQ(decode_alarm_confirmation(hex("3E05EE0F80")).value(), 15);
    const auto mode = decode_mode_confirmation(framed("3E05F285A7"));
    ASSERT_TRUE(mode.ok());
    EXPECT_EQ(mode->mode, 0x85);
    EXPECT_EQ(mode->extended, 0xA7);
    EXPECT_FALSE(decode_mode_confirmation(framed("3E05F2")).ok());
}

TEST(Replies, TableReplyMustBeWholeAndInRange) {
    CalibrationTable t;
    for (int k = 0; k < CalibrationTable::kPoints; ++k) {
        t.readings[size_t(k)] = uint16_t(100 * (k + 1));
        t.litres[size_t(k)] = uint16_t(5 * (k + 1));
    }
    const QByteArray reply = Control_summ(hex("3E01EF") + t.to_payload());
    ASSERT_EQ(reply.size(), kTableReplyLength);
    EXPECT_EQ(reply.mid(3, 2), hex("0064"));  // point 0 reading at positions 4-5
    EXPECT_EQ(reply.mid(43, 2), hex("0005")); // point 0 litres at positions 44-45
    EXPECT_EQ(decode_table_reply(reply).value(), t);

    EXPECT_EQ(decode_table_reply(reply.left(83)).error().kind, ErrorKind::ShortReply);
    QByteArray big = reply;
    big[3] = char(0x7F), big[4] = char(0xFF); // 32767, the largest table value
    EXPECT_EQ(decode_table_reply(big).value().readings[0], 32767);
    big[3] = char(0x80), big[4] = 0; // 32768 and more is no table value
    EXPECT_EQ(decode_table_reply(big).error().kind, ErrorKind::OutOfRange);

    EXPECT_EQ(CalibrationTable::from_texts(t.to_texts()).value(), t);
    QStringList texts = t.to_texts();
    texts[3] = QStringLiteral("abc");
    EXPECT_FALSE(CalibrationTable::from_texts(texts).ok());
    texts[3] = QStringLiteral("32768");
    EXPECT_FALSE(CalibrationTable::from_texts(texts).ok());
    texts[3] = QStringLiteral("-1");
    EXPECT_FALSE(CalibrationTable::from_texts(texts).ok());
    texts[3] = QString::fromUtf8("12\0abc", 6); // a NUL in a damaged file ends no number
    EXPECT_FALSE(CalibrationTable::from_texts(texts).ok());
    texts[3] = QStringLiteral(" 32767 ");
    EXPECT_TRUE(CalibrationTable::from_texts(texts).ok());
}

TEST(ZvkFiles, WholeBlocksOnly) {
    QStringList lines;
    for (int i = 0; i < 40; ++i) lines << QString::number(i);
    EXPECT_EQ(zvk_cells_from_lines(lines).value(), lines);
    QStringList twice = lines;
    for (int i = 0; i < 40; ++i) twice << QStringLiteral("x%1").arg(i);
    EXPECT_EQ(zvk_cells_from_lines(twice).value(), twice.mid(40)); // the last block wins
    EXPECT_TRUE(zvk_cells_from_lines({}).value().isEmpty());
    EXPECT_FALSE(zvk_cells_from_lines(lines.mid(1)).ok()); // 39 lines
}
