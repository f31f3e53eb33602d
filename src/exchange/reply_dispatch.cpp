#include "exchange/reply_dispatch.h"

#include "exchange/configurator.h"
#include "exchange/network_scan.h"
#include "exchange/state_display.h"
#include "i18n/language.h"
#include "protocol/codes.h"
#include "protocol/firmware_capabilities.h"
#include "protocol/replies.h"
#include "ui/dialogs.h"
#include "ui/tones.h"

namespace {

void confirm(Configurator& c, const QString& text, bool tone = true) {
    c.frmSerial.MsgCom.set_text(text);
    c.str_to_log(text);
    if (tone) c.tones.tone(kConfirmHz, kConfirmMs);
}

void not_understood(Configurator& c) {
    c.frmSerial.MsgCom.set_text(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Непонятно что пришло! ")));
    c.str_to_log(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Непонятно что пришло!")));
    c.tones.tone(kErrorHz, kErrorMs);
    // Noise on the line can bring this every second: it must neither stack
    // nor hold the exchange, which follows the sensor again by itself.
    c.dialogs.notice(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ответ не соответствует запросу")));
    c.str_to_log(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ответ не соответствует запросу")));
    c.tones.tone(kErrorHz, kErrorMs);
}

// Identity and table replies change what later goes to the sensor, so a
// corrupted one is refused rather than applied.
void bad_crc(Configurator& c) {
    c.frmSerial.MsgCom.set_text(kBadCrcText);
    c.str_to_log(kBadCrcText);
}

// Replies that read fixed positions need at least this many bytes; a shorter
// one is no valid answer of its kind.
bool long_enough(uint8_t code, qsizetype L) {
    switch (code) {
    case CMD_SET_MODE:
        return L >= 5;
    case RPL_FREQ_MODE:
        return L >= 5;
    case CMD_READ_TABLE:
        return L == kTableReplyLength;
    default:
        return true;
    }
}
} // namespace

void dispatch_reply(Configurator& c, const QByteArray& reply, uint8_t computed_crc) {
    MainForm& f = c.frmSerial;
    const qsizetype L = reply.size();
    if (L < 4) return;
    const uint8_t code = uint8_t(reply[2]);
    auto at = [&reply](int pos) { return uint8_t(reply[pos - 1]); };

    if (!long_enough(code, L)) {
        not_understood(c);
        return;
    }

    switch (code) {
    case CMD_READ_ID:
        // A corrupted identity would set the version, and with it the
        // trailer and the usable controls.
        if (at(int(L)) != computed_crc) {
            bad_crc(c);
            return;
        }
        assept_sn(c, reply);
        f.MsgCom.set_text(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Получен С/Н и вер. прошивки")));
        c.exchange.refresh_settings_next();
        break;
    case CMD_READ_STATE:
        if (f.replay_mode)
            f.MsgCom.set_text(
                QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Получены данные.")));
        if (at(int(L)) != computed_crc) return;
        all_data_to_form(c, reply);
        break;
    case CMD_SET_EMPTY:
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Установлен нижний уровень.")));
        break;
    case CMD_SET_MODE: {
        const ModeConfirmation m = decode_mode_confirmation(reply).value();
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Установлен новый режим.")));
        Out_modes(c, m.mode);
        if (m.extended && has(f.firmware_version, Capability::WriteTrailer))
            show_extended_mode(c, *m.extended);
        break;
    }
    case CMD_SET_FULL:
        confirm(c,
                QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Установлен верхний уровень.")));
        break;
    case CMD_SET_ADDRESS:
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", " Установлен сетевой номер.")));
        break;
    case RPL_SERIAL_WRITTEN:
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Установлен серийный номер.")),
                false);
        break;
    case CMD_SHIFT_EMPTY:
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Сдвинут нижний уровень.")));
        break;
    case CMD_SHIFT_FULL:
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Сдвинут верхний уровень.")));
        break;
    case CMD_SET_ALARM_LEVEL:
        confirm(c, QString::fromUtf8(
                       QT_TRANSLATE_NOOP("Messages", "Уст. новый уровень ав. ост. топлива.")));
        f.lamp_level.set_text(QString::number(decode_alarm_confirmation(reply).value()));
        break;
    case CMD_ENTER_PASSWORD:
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Пароль принят.")));
        break;
    case RPL_WRONG_PASSWORD:
        f.MsgCom.set_fore_colour(kRed);
        f.MsgCom.set_text(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Неверный пароль.")));
        c.str_to_log(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Неверный пароль.")));
        c.tones.tone(kErrorHz, kErrorMs);
        break;
    case CMD_CHANGE_PASSWORD:
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Пароль изменен.")));
        break;
    case RPL_PASSWORD_NOTE:
        f.MsgCom.set_text(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Пар.")));
        break;
    case CMD_DIRECT_EMPTY:
        confirm(c, QString::fromUtf8(
                       QT_TRANSLATE_NOOP("Messages", "Директивно изменен нижний уровень.")));
        break;
    case CMD_DIRECT_FULL:
        confirm(c, QString::fromUtf8(
                       QT_TRANSLATE_NOOP("Messages", "Директивно изменен верхний уровень.")));
        break;
    case RPL_FREQ_MODE:
        f.MsgCom.set_text(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Датчик в частотном режиме.")));
        f.ur.set_text(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Частота")));
        f.Uroven.set_text(fill_text(QT_TRANSLATE_NOOP("Messages", "%1 Гц."),
                                    {QString::number(decode_frequency_notice(reply).value())}));
        f.freq_mode = true;
        break;
    case CMD_READ_TABLE:
        // A corrupted table could be saved or written back from the window.
        // A sound one is answered by the table's own listener.
        if (at(int(L)) != computed_crc) {
            bad_crc(c);
            return;
        }
        break;
    case CMD_WRITE_TABLE:
        f.MsgCom.set_text(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Установлена Тарир таблица.")));
        c.str_to_log(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Установлена Тарировочная таблица.")));
        c.tones.tone(kConfirmHz, kConfirmMs);
        break;
    case CMD_SET_HORIZON:
        confirm(c, QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Установлен Горизонт.")));
        break;
    default:
        not_understood(c);
        return;
    }
    c.exchange.notify(code, reply);
}
