#include "commands/operations.h"

#include "protocol/codes.h"
#include "protocol/requests.h"

#include <algorithm>
#include <array>

namespace {

Result<QByteArray> take_full(uint8_t address, int version, int64_t) {
    return request::set_full(address, version);
}
Result<QByteArray> take_empty(uint8_t address, int version, int64_t) {
    return request::set_empty(address, version);
}
Result<QByteArray> horizon(uint8_t address, int version, int64_t) {
    return request::set_horizon(address, version);
}
Result<QByteArray> read_table(uint8_t address, int, int64_t) {
    return request::read_table(address);
}

OperationRules make(QString question, QString log_prefix, QString connected_check, FirmwareTag tag,
                    uint8_t confirmation,
                    Result<QByteArray> (*build)(uint8_t, int, int64_t) = nullptr) {
    OperationRules r;
    r.question = std::move(question);
    r.log_prefix = std::move(log_prefix);
    r.connected_check = std::move(connected_check);
    r.tag = tag;
    r.confirmation = confirmation;
    r.build = build;
    return r;
}

OperationRules with_range(OperationRules r, int64_t min, int64_t max, QString message,
                          bool typed = false) {
    r.min = min;
    r.max = max;
    r.range_message = std::move(message);
    r.logs_typed_value = typed;
    return r;
}

std::array<OperationRules, 14> all_rules() {
    using T = FirmwareTag;
    const QString no_question;
    return {
        make(no_question, QStringLiteral("Cmd SetHight "), QStringLiteral("Cmd SetHight"), T::Port,
             CMD_SET_FULL, take_full),
        make(no_question, QStringLiteral("Cmd SetLow "), QStringLiteral("Cmd SetLow"), T::Port,
             CMD_SET_EMPTY, take_empty),
        with_range(make(QString::fromUtf8(QT_TRANSLATE_NOOP(
                            "Messages", "Сейчас будет произведена перекалибровка верхнего уровня. "
                                        "Вы уверены что это нужно?")),
                        QStringLiteral("Cmd Enter Direct HI_data = "), QString(), T::V171,
                        CMD_DIRECT_FULL, request::direct_full),
                   0, kLongMax, range_message::level, true),
        with_range(make(QString::fromUtf8(QT_TRANSLATE_NOOP(
                            "Messages", "Сейчас будет произведена перекалибровка нижнего уровня. "
                                        "Вы уверены что это нужно?")),
                        QStringLiteral("Cmd Enter Direct LO_data = "), QString(), T::V171,
                        CMD_DIRECT_EMPTY, request::direct_empty),
                   0, kLongMax, range_message::level, true),
        with_range(make(QString::fromUtf8(QT_TRANSLATE_NOOP(
                            "Messages",
                            "Сейчас будет сдвинут верхний уровень. Вы уверены что это нужно?")),
                        QStringLiteral("Cmd Shift Hight: "), QString(), T::Port, CMD_SHIFT_FULL,
                        request::shift_full),
                   -kShiftLimit, kShiftLimit, range_message::shift),
        with_range(make(QString::fromUtf8(QT_TRANSLATE_NOOP(
                            "Messages",
                            "Сейчас будет сдвинут уровень пустого. Вы уверены что это нужно?")),
                        QStringLiteral("Cmd Shift Low: "), QString(), T::Port, CMD_SHIFT_EMPTY,
                        request::shift_empty),
                   -kShiftLimit, kShiftLimit, range_message::shift),
        make(QString::fromUtf8(QT_TRANSLATE_NOOP(
                 "Messages",
                 "Сейчас будет изменен режим работы датчика. Вы уверены что это нужно?")),
             QStringLiteral("Cmd Change mode to "), QStringLiteral("Cmd Change mode to"), T::Port,
             CMD_SET_MODE),
        with_range(make(QString::fromUtf8(QT_TRANSLATE_NOOP(
                            "Messages", "Сейчас будет новый уровень аварийного остатка топлива. "
                                        "Вы уверены что это нужно?")),
                        QStringLiteral("Cmd Set Lamp Level: "), QString(), T::V170,
                        CMD_SET_ALARM_LEVEL, request::set_alarm_level),
                   kAlarmMin, kAlarmMax, range_message::alarm),
        with_range(make(no_question, QStringLiteral("Cmd Set New net addr = "),
                        QStringLiteral("Cmd Set New net addr"), T::Port, CMD_SET_ADDRESS,
                        request::set_address),
                   0, 255, range_message::address),
        with_range(make(no_question, QStringLiteral("Cmd Enter Password = "),
                        QStringLiteral("Cmd Enter Password"), T::V163, CMD_ENTER_PASSWORD,
                        request::enter_password),
                   0, kLongMax, range_message::password, true),
        with_range(make(QString::fromUtf8(QT_TRANSLATE_NOOP(
                            "Messages", "Сейчас будет изменен пароль датчика. Если Вы забудете "
                                        "новый пароль, снять его сможет только производитель. "
                                        "МЕНЯЕМ ?")),
                        QStringLiteral("Cmd New Password = "), QStringLiteral("Cmd New Password"),
                        T::V163, CMD_CHANGE_PASSWORD, request::change_password),
                   0, kLongMax, range_message::password, true),
        make(
            QString::fromUtf8(QT_TRANSLATE_NOOP(
                "Messages", "Сейчас будет установлен горизонт датчика. Вы уверены что это нужно?")),
            QStringLiteral("Cmd Set Horizon "), QString(), T::Port, CMD_SET_HORIZON, horizon),
        make(no_question, QStringLiteral("Cmd_ReadTable: "), QString(), T::V170, CMD_READ_TABLE,
             read_table),
        make(no_question, QStringLiteral("Cmd_SetTable = "), QString(), T::V170, CMD_WRITE_TABLE),
    };
}

} // namespace

const OperationRules& rules_of(Operation op) {
    static const std::array<OperationRules, 14> table = all_rules();
    return table[size_t(op)];
}

Result<int64_t> checked_value(Operation op, int64_t value) {
    const OperationRules& r = rules_of(op);
    if (value < r.min || value > r.max) return Error{ErrorKind::OutOfRange, r.range_message};
    return value;
}

QString log_record(Operation op, const QString& typed, int64_t value) {
    const OperationRules& r = rules_of(op);
    if (r.range_message.isEmpty()) return r.log_prefix;
    return r.log_prefix + (r.logs_typed_value ? typed : QString::number(value));
}

QString mode_log_record(uint8_t mode, int smoothing_level) {
    return rules_of(Operation::Mode).log_prefix + QString::number(mode) + QStringLiteral(" sgla ") +
           QString::number(smoothing_level);
}

QString not_connected_record(Operation op) {
    const OperationRules& r = rules_of(op);
    if (r.connected_check.isEmpty()) return {};
    return r.connected_check + QStringLiteral(": ") + kNotConnected;
}

FirmwareTag output_tag(OutputInterface output) {
    switch (output) {
    case OutputInterface::Analog:
    case OutputInterface::Frequency:
        return FirmwareTag::V130;
    case OutputInterface::Periodic:
        return FirmwareTag::V131;
    case OutputInterface::PeriodicRs485:
    case OutputInterface::Rs232:
        return FirmwareTag::V163;
    case OutputInterface::Rs485:
        break;
    }
    return FirmwareTag::Port;
}

FirmwareTag mode_tag(std::optional<OutputInterface> output, bool litres_or_percent,
                     bool thermal_compensation) {
    int v = output ? needed_version(output_tag(*output)) : 0;
    if (litres_or_percent) v = std::max(v, needed_version(FirmwareTag::V170));
    if (thermal_compensation) v = std::max(v, needed_version(FirmwareTag::V176));
    return v == 0 ? FirmwareTag::Port : FirmwareTag(v);
}
