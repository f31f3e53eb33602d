#include "protocol/session.h"
#include "i18n/language.h"

#include "protocol/codes.h"
#include "protocol/frame_codec.h"
#include "protocol/requests.h"
#include "protocol/serial_port.h"

#include <QElapsedTimer>
#include <QThread>

namespace {
// A frame that may end the read.  One that is shorter than its code's
// replies are has its CRC match by chance (1 in 256) and is read on; when the
// time is up it is still taken as it is.
bool complete_frame(const QByteArray& bytes) {
    return is_framed(bytes) && reply_crc_ok(bytes) &&
           bytes.size() >= minimum_reply_length(uint8_t(bytes[2]));
}
} // namespace

QByteArray Session::collect(bool until_frame) {
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kAnswerMs) {
        QElapsedTimer read_clock;
        read_clock.start();
        const QByteArray piece = port_.ReadPort();
        if (!port_.IsOpen() || port_.LinkLost()) break;
        got += piece;
        if (until_frame && complete_frame(got)) break;
        // A scan answer has no frame to recognise: the first pause after
        // something came ends it.
        if (!until_frame && piece.isEmpty() && !got.isEmpty()) break;
        // A port that returns at once when nothing is there (the in-process
        // simulated line) would have us spin for the whole answer time.
        if (piece.isEmpty() && read_clock.elapsed() < SerialPort::kInterByteGapMs)
            QThread::msleep(SerialPort::kInterByteGapMs);
    }
    if (on_received && !got.isEmpty()) on_received(got);
    return got;
}

// A network connection that dropped: said as such, naming the address, not
// as a failed write or a silent sensor.
std::optional<Error> Session::lost() const {
    const QString message = port_.LinkLost() ? port_.LostMessage() : QString();
    if (message.isEmpty()) return std::nullopt;
    return Error{ErrorKind::PortClosed, message};
}

Result<QByteArray> Session::exchange(const QByteArray& request) {
    if (!port_.IsOpen())
        return Error{ErrorKind::PortClosed,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Порт не открыт."))};
    port_.DiscardInput(); // nothing that came before the request is its answer
    if (on_sent) on_sent(request);
    if (port_.WritePort(request) != request.size())
        return lost().value_or(
            Error{ErrorKind::WriteFailed,
                  QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ошибка записи в порт"))});
    const QByteArray got = collect(true);
    if (got.isEmpty()) return lost().value_or(Error{ErrorKind::NoAnswer, {}});
    if (!is_framed(got))
        return Error{ErrorKind::NotFramed,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Непонятно что пришло!"))};
    if (!reply_crc_ok(got))
        return Error{ErrorKind::BadCrc, QString::fromUtf8(QT_TRANSLATE_NOOP(
                                            "Messages", "Ответ с неверной контрольной суммой."))};
    return got;
}

Result<QByteArray> Session::ask(const QByteArray& request, uint8_t expected_code) {
    auto got = exchange(request);
    if (!got) return got;
    const uint8_t code = reply_header(*got)->code;
    if (code == expected_code) return got;
    if (code == RPL_WRONG_PASSWORD)
        return Error{ErrorKind::WrongPassword,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Неверный пароль."))};
    if (code == RPL_FREQ_MODE)
        return Error{ErrorKind::FrequencyMode,
                     QString::fromUtf8(QT_TRANSLATE_NOOP(
                         "Messages", "Эту операцию невозможно выполнить в частотном режиме. "
                                     "Отключите ненадолго питание датчика и сделайте опрос сети"))};
    return Error{ErrorKind::UnexpectedCode, QString::fromUtf8(QT_TRANSLATE_NOOP(
                                                "Messages", "Ответ не соответствует запросу"))};
}

Result<QList<uint8_t>> Session::scan() {
    if (!port_.IsOpen())
        return Error{ErrorKind::PortClosed,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Порт не открыт."))};
    port_.DiscardInput();
    const QByteArray request = request::net_scan();
    if (on_sent) on_sent(request);
    if (port_.WritePort(request) != request.size())
        return lost().value_or(
            Error{ErrorKind::WriteFailed,
                  QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ошибка записи в порт"))});
    const QByteArray got = collect(false);
    if (got.isEmpty()) return lost().value_or(Error{ErrorKind::NoAnswer, {}});
    QList<uint8_t> found;
    for (char b : got) found.append(uint8_t(b));
    return found;
}

Result<IdentityReply> Session::read_identity(uint8_t address) {
    const auto got = ask(request::read_id(address), CMD_READ_ID);
    if (!got) return got.error();
    const IdentityReply id = decode_identity(*got);
    if (!id.version)
        return Error{ErrorKind::ShortReply,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Неполный ответ."))};
    return id;
}

Result<StateReply> Session::read_state(uint8_t address) {
    const auto got = ask(request::read_state(address), CMD_READ_STATE);
    if (!got) return got.error();
    const StateReply s = decode_state(*got);
    if (!s.coefficient)
        return Error{ErrorKind::ShortReply,
                     QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Неполный ответ."))};
    return s;
}

Result<CalibrationTable> Session::read_table(uint8_t address) {
    const auto got = ask(request::read_table(address), CMD_READ_TABLE);
    if (!got) return got.error();
    return decode_table_reply(*got);
}

QString describe(const Error& error, uint8_t address) {
    if (error.kind == ErrorKind::NoAnswer)
        return fill_text(QT_TRANSLATE_NOOP("Messages", "Нет ответа от датчика с адресом %1"),
                         {QString::number(address)});
    return error.text;
}
