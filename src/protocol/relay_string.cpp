#include "protocol/relay_string.h"
#include "i18n/language.h"

#include "protocol/requests.h"

bool relay_takes_value(RelayOp op) {
    switch (op) {
    case RelayOp::ReadState:
    case RelayOp::ReadId:
    case RelayOp::SetMode:
        return false;
    default:
        return true;
    }
}

int relay_reply_length(RelayOp op, bool from_176) {
    switch (op) {
    case RelayOp::EnterPassword:
        return 4;
    case RelayOp::ReadState:
        return from_176 ? 24 : 23; // 1.7.6 adds the extended mode byte
    case RelayOp::ReadId:
    case RelayOp::ShiftFull:
    case RelayOp::DirectFull:
        return 10;
    case RelayOp::ShiftEmpty:
    case RelayOp::DirectEmpty:
    case RelayOp::ChangePassword:
        return 8;
    case RelayOp::SetMode:
        return from_176 ? 6 : 5;
    }
    return 0;
}

Result<QByteArray> relay_frame(const RelayRequest& r) {
    const int v = relay_version(r.from_176);
    const uint8_t a = r.address;
    switch (r.op) {
    case RelayOp::EnterPassword:
        return request::enter_password(a, v, r.value);
    case RelayOp::ReadState:
        return request::read_state(a);
    case RelayOp::ReadId:
        return request::read_id(a);
    case RelayOp::ShiftFull:
        return request::shift_full(a, v, r.value);
    case RelayOp::ShiftEmpty:
        return request::shift_empty(a, v, r.value);
    case RelayOp::DirectFull:
        return request::direct_full(a, v, r.value);
    case RelayOp::DirectEmpty:
        return request::direct_empty(a, v, r.value);
    case RelayOp::SetMode:
        return request::set_mode(a, v, r.mode.encode(), r.extended.encode());
    case RelayOp::ChangePassword:
        return request::change_password(a, v, r.value);
    }
    return Error{ErrorKind::BadInput,
                 QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Нет такой операции"))};
}

QString relay_text(const QByteArray& frame, int reply_length) {
    return QStringLiteral("S485=%1:%2:%3:%4:%5")
        .arg(frame.size())
        .arg(reply_length)
        .arg(kRelayTimeoutMs)
        .arg(kRelayBaud)
        .arg(QString::fromLatin1(frame.toHex().toUpper()));
}

Result<QString> relay_string(const RelayRequest& r) {
    const Result<QByteArray> frame = relay_frame(r);
    if (!frame) return frame.error();
    return relay_text(*frame, relay_reply_length(r.op, r.from_176));
}

QString relay_range_message(RelayOp op) {
    switch (op) {
    case RelayOp::ShiftFull:
    case RelayOp::ShiftEmpty:
        return range_message::shift;
    case RelayOp::DirectFull:
    case RelayOp::DirectEmpty:
        return range_message::level;
    default:
        return range_message::password;
    }
}
