#include "commands/password_address_alarm.h"

#include "commands/command_rules.h"
#include "exchange/network_scan.h"
#include "protocol/numbers.h"
#include "protocol/requests.h"
#include "ui/configurator.h"
#include "ui/dialogs.h"

namespace {
enum class PasswordRequest { Enter, Change };

// Both password operations after their connected check (and question): the
// input, the checks, the request.
void send_password(Configurator& c, PasswordRequest which) {
    MainForm& f = c.frmSerial;
    const bool enter = which == PasswordRequest::Enter;
    const std::optional<QString> text =
        enter ? c.dialogs.input_box(QStringLiteral("Введите пароль"), QStringLiteral("Ввод пароля"),
                                    QString())
              : c.dialogs.input_box(QStringLiteral("Введите новый пароль"),
                                    QStringLiteral("Ввод нового пароля"), QStringLiteral("0"));
    if (!text || text->isEmpty()) return;
    const auto addr = selected_address(f);
    if (!addr) {
        c.dialogs.message(QStringLiteral("Установите допустимый пароль"));
        return;
    }
    const auto password = parse_whole_number(*text);
    if (!password || !fits_int32(*password) || *password < 0 || *password > kLongMax) {
        c.dialogs.message(range_message::password);
        return;
    }
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame =
        enter ? request::enter_password(*to, f.firmware_version, *password)
              : request::change_password(*to, f.firmware_version, *password);
    if (!frame) return;
    f.wrs = *frame;
    c.str_to_log(
        (enter ? QStringLiteral("Cmd Enter Password = ") : QStringLiteral("Cmd New Password = ")) +
        *text);
}
} // namespace

void Vvod_PWD_Click(Configurator& c) {
    c.frmSerial.wrs.clear();
    if (!require_connected(c, QStringLiteral("Cmd Enter Password"))) return;
    send_password(c, PasswordRequest::Enter);
}

void Chg_pass_Click(Configurator& c) {
    c.frmSerial.wrs.clear();
    if (!require_connected(c, QStringLiteral("Cmd New Password"))) return;
    if (!confirmed(c, QStringLiteral("Сейчас будет изменен пароль датчика. Если Вы забудете "
                                     "новый пароль, снять его сможет только производитель. "
                                     "МЕНЯЕМ ?")))
        return;
    send_password(c, PasswordRequest::Change);
}

void net_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    if (!require_connected(c, QStringLiteral("Cmd Set New net addr"))) return;
    const QString present = f.CmbNet.list_index() >= 0 ? f.CmbNet.selected_text() : QString();
    const std::optional<QString> text =
        c.dialogs.input_box(QStringLiteral("Введите новый сетевой номер"),
                            QStringLiteral("Ввод сетевого номера"), present);
    if (!text || text->isEmpty()) return;
    const auto addr = selected_address(f);
    if (!addr) {
        c.dialogs.message(QStringLiteral("Установите существующий сетевой адрес"));
        return;
    }
    const auto new_address = parse_whole_number(*text);
    if (!new_address || !fits_byte(*new_address)) {
        c.dialogs.message(range_message::address);
        return;
    }
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame = request::set_address(*to, f.firmware_version, *new_address);
    if (!frame) return;
    // The address list stays as it is: a new search finds the sensor under
    // its new address.
    f.wrs = *frame;
    c.str_to_log(QStringLiteral("Cmd Set New net addr = ") + QString::number(*new_address));
}

void set_alarm_level_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const auto level = parse_whole_number(f.lamp_level.text());
    if (!level || !fits_int16(*level)) return;
    if (*level > kAlarmMax || *level < kAlarmMin) {
        c.dialogs.message(range_message::alarm);
        return;
    }
    const auto addr = selected_address(f);
    if (!addr) return;
    if (!confirmed(c, QStringLiteral("Сейчас будет новый уровень аварийного остатка топлива. Вы "
                                     "уверены что это нужно?")))
        return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    const Result<QByteArray> frame = request::set_alarm_level(*to, f.firmware_version, *level);
    if (!frame) return;
    f.wrs = *frame;
    c.str_to_log(QStringLiteral("Cmd Set Lamp Level: ") + QString::number(*level));
    // The next state reply shows the level the sensor stored.
    f.mode_yes = true;
}

void horizont_Click(Configurator& c) {
    MainForm& f = c.frmSerial;
    const auto addr = selected_address(f);
    if (!addr) return;
    if (!confirmed(c, QString::fromUtf8(kHorizonQuestion))) return;
    const auto to = still_addressed(c, *addr);
    if (!to) return;
    f.wrs = request::set_horizon(*to, f.firmware_version);
    c.str_to_log(QString::fromUtf8(kHorizonLog));
    f.mode_yes = true;
}

void wire_password_address_alarm(Configurator& c) {
    MainForm& f = c.frmSerial;
    f.Vvod_PWD.on_click = [&c] { Vvod_PWD_Click(c); };
    f.Chg_pass.on_click = [&c] { Chg_pass_Click(c); };
    f.net.on_click = [&c] { net_Click(c); };
    f.set_alarm.on_click = [&c] { set_alarm_level_Click(c); };
    f.horizont.on_click = [&c] { horizont_Click(c); };
}
