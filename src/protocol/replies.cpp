#include "protocol/replies.h"
#include "i18n/language.h"

#include "protocol/codes.h"
#include "protocol/frame_codec.h"

bool is_framed(const QByteArray& reply) {
    return reply.size() >= 4 && uint8_t(reply[0]) == kReplyStart;
}

int minimum_reply_length(uint8_t code) {
    switch (code) {
    case CMD_READ_STATE:
        return 21; // up to the coefficient
    case CMD_READ_ID:
        return 10;
    case CMD_READ_TABLE:
        return kTableReplyLength;
    case CMD_SET_MODE:
    case CMD_SET_ALARM_LEVEL:
        return 5;
    case RPL_FREQ_MODE:
        return 6;
    default:
        return 4;
    }
}

std::optional<ReplyHeader> reply_header(const QByteArray& reply) {
    if (!is_framed(reply)) return std::nullopt;
    return ReplyHeader{uint8_t(reply[1]), uint8_t(reply[2])};
}

namespace {
template <class T> std::optional<T> field(const QByteArray& r, int pos, int width) {
    const auto v = read_le(r, pos, width);
    if (!v) return std::nullopt;
    return T(*v);
}

Error too_short(const QByteArray& reply, int needed) {
    return {ErrorKind::ShortReply,
            fill_text(QT_TRANSLATE_NOOP("Messages", "Ответ короче %1 байт (%2)."),
                      {QString::number(needed), QString::number(reply.size())})};
}
} // namespace

StateReply decode_state(const QByteArray& r) {
    StateReply s;
    s.address = field<uint8_t>(r, 2, 1);
    if (const auto t = field<int>(r, 4, 1)) s.temperature = *t > 127 ? *t - 254 : *t;
    s.level = field<uint16_t>(r, 5, 2);
    s.current = field<uint32_t>(r, 7, 4);
    s.empty = field<uint32_t>(r, 11, 4);
    s.full = field<uint32_t>(r, 15, 4);
    s.coefficient = field<uint16_t>(r, 19, 2);
    const qsizetype L = r.size();
    if (L > 21) s.mode = uint8_t(r[20]);
    if (L > 22) s.alarm_level = uint8_t(r[21]);
    if (L > 23) s.extended_mode = uint8_t(r[22]);
    return s;
}

IdentityReply decode_identity(const QByteArray& r) {
    IdentityReply id;
    // Six bytes hold no complete serial number either.
    if (r.size() <= 6) return id;
    id.serial = *read_le(r, 4, 4);
    if (r.size() == 10) {
        id.version = uint8_t(r[7]);
        id.variant = uint8_t(r[8]);
    }
    return id;
}

QString firmware_version_text(uint8_t version, uint8_t variant) {
    QString text = variant != 0 ? QString::number(variant) : QString();
    const QString digits = QString::number(version);
    for (int i = 0; i < 3; ++i) text += digits.mid(i, 1) + u'.';
    return text;
}

Result<ModeConfirmation> decode_mode_confirmation(const QByteArray& r) {
    if (r.size() < 5) return too_short(r, 5);
    ModeConfirmation m;
    m.mode = uint8_t(r[3]);
    if (r.size() > 5) m.extended = uint8_t(r[4]);
    return m;
}

Result<uint8_t> decode_alarm_confirmation(const QByteArray& r) {
    if (r.size() < 4) return too_short(r, 4);
    return uint8_t(r[3]);
}

Result<uint16_t> decode_frequency_notice(const QByteArray& r) {
    if (r.size() < 5) return too_short(r, 5);
    return uint16_t(*read_be(r, 4, 2));
}

Result<CalibrationTable> decode_table_reply(const QByteArray& r) {
    if (r.size() != kTableReplyLength)
        return Error{ErrorKind::ShortReply,
                     fill_text(QT_TRANSLATE_NOOP(
                                   "Messages", "Ответ с таблицей должен быть %1 байта, пришло %2."),
                               {QString::number(kTableReplyLength), QString::number(r.size())})};
    return CalibrationTable::from_payload(r.mid(3, CalibrationTable::kPayloadBytes));
}
