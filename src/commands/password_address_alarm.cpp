#include "commands/password_address_alarm.h"

#include "commands/command_rules.h"
#include "commands/operations.h"
#include "exchange/configurator.h"
#include "i18n/language.h"
#include "protocol/numbers.h"
#include "protocol/requests.h"
#include "ui/dialogs.h"

namespace {
enum class PasswordRequest { Enter, Change };

// Both password operations after their connected check (and question): the
// input, the checks, the request.
void send_password(Configurator& c, PasswordRequest which) {
    MainForm& f = c.frmSerial;
    const bool enter = which == PasswordRequest::Enter;
    const Operation op = enter ? Operation::PasswordEnter : Operation::PasswordChange;
    const OperationRules& r = rules_of(op);
    const std::optional<QString> text =
        enter ? c.dialogs.input_box(
                    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Введите пароль")),
                    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ввод пароля")), QString())
              : c.dialogs.input_box(
                    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Введите новый пароль")),
                    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ввод нового пароля")),
                    QStringLiteral("0"));
    if (!text || text->isEmpty()) return;
    // A typo in a new password locks the sensor for good: it is typed twice.
    if (!enter) {
        const std::optional<QString> again = c.dialogs.input_box(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Повторите новый пароль")),
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ввод нового пароля")), QString());
        if (!again) return;
        if (*again != *text) {
            c.dialogs.message(QString::fromUtf8(QT_TRANSLATE_NOOP(
                                  "Messages", "Пароли не совпадают. Пароль не изменен.")),
                              MsgIcon::Exclamation);
            return;
        }
    }
    const auto addr = f.selected_address();
    if (!addr) {
        c.dialogs.message(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Установите допустимый пароль")));
        return;
    }
    const auto password = parse_whole_number(*text);
    if (!password || !fits_int32(*password) || !checked_value(op, *password)) {
        c.dialogs.message(r.range_message);
        return;
    }
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame = r.build(*to, f.firmware_version, *password);
    if (!frame) return;
    c.exchange.queue(*frame);
    c.str_to_log(log_record(op, *text, *password));
}
} // namespace

void Vvod_PWD_Click(Configurator& c) {
    c.exchange.drop_pending();
    if (!require_connected(c, rules_of(Operation::PasswordEnter).connected_check)) return;
    send_password(c, PasswordRequest::Enter);
}

void Chg_pass_Click(Configurator& c) {
    c.exchange.drop_pending();
    const OperationRules& r = rules_of(Operation::PasswordChange);
    if (!require_connected(c, r.connected_check)) return;
    if (!confirmed(c, r.question)) return;
    send_password(c, PasswordRequest::Change);
}

QString address_taken_text(int address) {
    return fill_text(QT_TRANSLATE_NOOP("Messages",
                                       "По адресу %1 уже отвечает датчик: два датчика с "
                                       "одним адресом не ответят. Адрес не изменен."),
                     {QString::number(address)});
}

void net_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const OperationRules& r = rules_of(Operation::Address);
    if (!require_connected(c, r.connected_check)) return;
    const QString present = f.CmbNet.list_index() >= 0 ? f.CmbNet.selected_text() : QString();
    const std::optional<QString> text = c.dialogs.input_box(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Введите новый сетевой номер")),
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ввод сетевого номера")), present);
    if (!text || text->isEmpty()) return;
    const auto addr = f.selected_address();
    if (!addr) {
        c.dialogs.message(QString::fromUtf8(
            QT_TRANSLATE_NOOP("Messages", "Установите существующий сетевой адрес")));
        return;
    }
    const auto new_address = parse_whole_number(*text);
    if (!new_address || !fits_byte(*new_address)) {
        c.dialogs.message(r.range_message);
        return;
    }
    const auto wanted = uint8_t(*new_address);
    const QString typed = *text;
    // Sends the change itself, once nothing else answers at the new address.
    auto change = [&c, addr = *addr, wanted, typed] {
        const auto to = still_addressed(c, addr);
        if (!to) return;
        const Result<QByteArray> frame =
            rules_of(Operation::Address).build(*to, c.frmSerial.firmware_version, wanted);
        if (!frame) return;
        // The address list stays as it is: a new search finds the sensor
        // under its new address.
        c.exchange.queue(*frame);
        c.str_to_log(log_record(Operation::Address, typed, wanted));
    };
    if (wanted == *addr) {
        change();
        return;
    }
    // Two sensors at one address answer over each other and neither can be
    // understood; telling them apart again takes disconnecting one.  So ask
    // the new address first, as the command line does.
    c.exchange.queue_probe(request::read_id(wanted),
                           [&c, wanted, change](RequestOutcome outcome, const QByteArray&) {
                               if (outcome == RequestOutcome::NoAnswer) {
                                   change();
                               } else if (outcome == RequestOutcome::Replied) {
                                   const QString refusal = address_taken_text(wanted);
                                   c.frmSerial.MsgCom.set_fore_colour(kRed);
                                   c.frmSerial.MsgCom.set_text(refusal);
                                   c.str_to_log(refusal);
                                   c.dialogs.message(refusal, MsgIcon::Exclamation);
                               }
                           });
}

void set_alarm_level_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const OperationRules& r = rules_of(Operation::Alarm);
    const auto level = parse_whole_number(f.lamp_level.text());
    if (!level || !fits_int16(*level)) return;
    if (!checked_value(Operation::Alarm, *level)) {
        c.dialogs.message(r.range_message);
        return;
    }
    const auto addr = f.selected_address();
    if (!addr) return;
    if (!confirmed(c, r.question)) return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame = r.build(*to, f.firmware_version, *level);
    if (!frame) return;
    c.exchange.queue(*frame);
    c.str_to_log(log_record(Operation::Alarm, QString(), *level));
    // The next state reply shows the level the sensor stored.
    c.exchange.refresh_settings_next();
}

void horizont_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const OperationRules& r = rules_of(Operation::Horizon);
    const auto addr = f.selected_address();
    if (!addr) return;
    if (!confirmed(c, r.question)) return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    c.exchange.queue(r.build(*to, f.firmware_version, 0).value());
    c.str_to_log(r.log_prefix);
    c.exchange.refresh_settings_next();
}

void wire_password_address_alarm(Configurator& c) {
    MainForm& f = c.frmSerial;
    f.Vvod_PWD.on_click = [&c] { Vvod_PWD_Click(c); };
    f.Chg_pass.on_click = [&c] { Chg_pass_Click(c); };
    f.net.on_click = [&c] { net_Click(c); };
    f.set_alarm.on_click = [&c] { set_alarm_level_Click(c); };
    f.horizont.on_click = [&c] { horizont_Click(c); };
}
