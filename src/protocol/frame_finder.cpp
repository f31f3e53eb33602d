#include "protocol/frame_finder.h"

#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/replies.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
// Frame descriptions are only ever shown (the monitor, zorvik-cli listen), so
// they come in the language of the run.
QString tr_frame(const char* text) {
    return QCoreApplication::translate("LineFrames", text);
}

constexpr int64_t kByteUs = 521; // 10 bits at 19200 baud

std::vector<int> request_lengths(uint8_t address, uint8_t code) {
    std::vector<int> l;
    if (address == kScanAddress) l.push_back(3); // 31 FF and its CRC
    // Header 3, the trailer 0 or 3, the payload, the CRC.
    auto both = [&](int payload) {
        l.push_back(4 + payload);
        l.push_back(7 + payload);
    };
    switch (code) {
    case CMD_READ_STATE:
    case CMD_READ_ID:
    case CMD_READ_TABLE:
        l.push_back(4);
        break;
    case CMD_SET_FULL:
    case CMD_SET_EMPTY:
    case CMD_SET_HORIZON:
        both(0);
        break;
    case CMD_SHIFT_FULL:
    case CMD_SHIFT_EMPTY:
        both(2);
        break;
    case CMD_DIRECT_FULL:
    case CMD_DIRECT_EMPTY:
    case CMD_ENTER_PASSWORD:
    case CMD_CHANGE_PASSWORD:
        both(4);
        break;
    case CMD_SET_ALARM_LEVEL:
    case CMD_SET_ADDRESS:
        both(1);
        break;
    case CMD_SET_MODE:
        both(1);
        l.push_back(9); // the trailer and the extended mode byte
        break;
    case CMD_WRITE_TABLE:
        both(CalibrationTable::kPayloadBytes);
        break;
    default:
        break;
    }
    return l;
}

std::vector<int> reply_lengths(uint8_t code) {
    switch (code) {
    case CMD_READ_STATE:
        return {21, 22, 23, 24};
    case CMD_READ_ID:
        return {10};
    case CMD_SET_MODE:
        return {5, 6};
    case CMD_SET_ALARM_LEVEL:
        return {5};
    case RPL_FREQ_MODE:
        return {6};
    case CMD_READ_TABLE:
        return {kTableReplyLength};
    default:
        return {4}; // a confirmation, or a code nobody knows: still a frame
    }
}

QString command_name(uint8_t code) {
    switch (code) {
    case CMD_READ_STATE:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "состояние"));
    case CMD_READ_ID:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "серийный номер и версия"));
    case CMD_READ_TABLE:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "чтение таблицы"));
    case CMD_WRITE_TABLE:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "запись таблицы"));
    case CMD_SET_FULL:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "полный по текущему"));
    case CMD_SET_EMPTY:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "пустой по текущему"));
    case CMD_SHIFT_FULL:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "сдвиг полного"));
    case CMD_SHIFT_EMPTY:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "сдвиг пустого"));
    case CMD_DIRECT_FULL:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "полный по значению"));
    case CMD_DIRECT_EMPTY:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "пустой по значению"));
    case CMD_SET_MODE:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "режим"));
    case CMD_ENTER_PASSWORD:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "ввод пароля"));
    case CMD_CHANGE_PASSWORD:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "смена пароля"));
    case CMD_SET_ALARM_LEVEL:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "уровень аварийного остатка"));
    case CMD_SET_HORIZON:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "горизонт"));
    case CMD_SET_ADDRESS:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "сетевой адрес"));
    case RPL_WRONG_PASSWORD:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "неверный пароль"));
    case RPL_SERIAL_WRITTEN:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "серийный номер записан"));
    case RPL_PASSWORD_NOTE:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "пар."));
    default:
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "код %1"))
            .arg(QString::number(code, 16).toUpper().rightJustified(2, u'0'));
    }
}

bool crc_ok(const QByteArray& b, int length) {
    return crc8(b.left(length - 1)) == uint8_t(b[length - 1]);
}

bool starts_frame(char c) {
    return uint8_t(c) == kRequestStart || uint8_t(c) == kReplyStart;
}
} // namespace

std::vector<int> frame_lengths(uint8_t start, uint8_t address, uint8_t code) {
    if (start == kRequestStart) return request_lengths(address, code);
    if (start == kReplyStart) return reply_lengths(code);
    return {};
}

bool is_whole_frame(const QByteArray& bytes) {
    if (bytes.size() < 3) return false;
    for (int l : frame_lengths(uint8_t(bytes[0]), uint8_t(bytes[1]), uint8_t(bytes[2])))
        if (l == bytes.size() && crc_ok(bytes, l)) return true;
    return false;
}

QString describe_frame(const LineFrame& f) {
    const QByteArray& b = f.bytes;
    if (f.kind == FrameKind::Noise || b.size() < 3)
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "шум"));
    const QString address = QString::number(uint8_t(b[1]));
    const uint8_t code = uint8_t(b[2]);
    if (f.kind == FrameKind::Request) {
        if (b.size() == 3)
            return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "запрос: поиск датчиков"));
        return tr_frame(QT_TRANSLATE_NOOP("LineFrames", "запрос %1: %2"))
            .arg(address, command_name(code));
    }
    const QString head = tr_frame(QT_TRANSLATE_NOOP("LineFrames", "ответ %1: ")).arg(address);
    switch (code) {
    case CMD_READ_STATE: {
        const StateReply s = decode_state(b);
        if (!s.level || !s.temperature) break;
        const int t = *s.temperature > 127 ? *s.temperature - 254 : *s.temperature;
        return head +
               tr_frame(QT_TRANSLATE_NOOP("LineFrames", "уровень %1, %2 °C")).arg(*s.level).arg(t);
    }
    case CMD_READ_ID: {
        const IdentityReply id = decode_identity(b);
        if (!id.serial || !id.version) break;
        return head + tr_frame(QT_TRANSLATE_NOOP("LineFrames", "С/Н %1, версия %2"))
                          .arg(*id.serial)
                          .arg(firmware_version_text(*id.version, id.variant.value_or(0)));
    }
    case CMD_SET_ALARM_LEVEL:
        return head + command_name(code) + QStringLiteral(" %1 %").arg(uint8_t(b[3]));
    case RPL_FREQ_MODE:
        if (const Result<uint16_t> hz = decode_frequency_notice(b))
            return head +
                   tr_frame(QT_TRANSLATE_NOOP("LineFrames", "частотный режим, %1 Гц")).arg(*hz);
        break;
    default:
        break;
    }
    return head + command_name(code);
}

void FrameFinder::feed(const QByteArray& bytes, int64_t t_us, std::vector<LineFrame>& out) {
    // The last byte came by `t_us`, the others a byte's time apart before
    // it, but never before what came earlier.
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        buffer_.append(bytes[i]);
        last_t_ = std::max<int64_t>(last_t_, t_us - (n - 1 - i) * kByteUs);
        times_.push_back(last_t_);
    }
    cut(false, out);
}

void FrameFinder::flush(std::vector<LineFrame>& out) {
    cut(true, out);
}

void FrameFinder::emit_noise(std::vector<LineFrame>& out) {
    if (noise_.isEmpty()) return;
    out.push_back({FrameKind::Noise, noise_, noise_t_});
    noise_.clear();
}

void FrameFinder::cut(bool final, std::vector<LineFrame>& out) {
    auto take = [&](int n) {
        buffer_.remove(0, n);
        times_.erase(times_.begin(), times_.begin() + n);
    };
    auto to_noise = [&] {
        if (noise_.isEmpty()) noise_t_ = times_.front();
        noise_.append(buffer_[0]);
        take(1);
        if (noise_.size() >= kMaxPending) emit_noise(out);
    };
    while (!buffer_.isEmpty()) {
        if (!starts_frame(buffer_[0])) {
            to_noise();
            continue;
        }
        if (buffer_.size() < 3) {
            if (!final) return;
            to_noise();
            continue;
        }
        const std::vector<int> lengths =
            frame_lengths(uint8_t(buffer_[0]), uint8_t(buffer_[1]), uint8_t(buffer_[2]));
        int found = 0;     // a length whose CRC is good
        bool wait = false; // a longer length may still come
        for (int l : lengths) {
            if (buffer_.size() < l) {
                wait = !final && buffer_.size() < kMaxPending;
                break;
            }
            if (!crc_ok(buffer_, l)) continue;
            found = l;
            // What follows decides: another frame, or nothing longer possible.
            if (l == lengths.back() || (buffer_.size() > l && starts_frame(buffer_[l]))) break;
        }
        if (wait && !(found && found < buffer_.size() && starts_frame(buffer_[found]))) return;
        if (!found) {
            to_noise();
            continue;
        }
        emit_noise(out);
        const FrameKind kind =
            uint8_t(buffer_[0]) == kRequestStart ? FrameKind::Request : FrameKind::Reply;
        out.push_back({kind, buffer_.left(found), times_.front()});
        take(found);
    }
    if (final) emit_noise(out);
}
