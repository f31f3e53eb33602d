#include "tables/control_refuel.h"

#include "exchange/configurator.h"
#include "i18n/language.h"
#include "protocol/calibration_table.h"
#include "protocol/firmware_capabilities.h"
#include "tables/table_exchange.h"
#include "ui/dialogs.h"

namespace {

const QString kTitle = QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Контрольная заправка"));

// The level the display shows, when it shows one.
std::optional<double> level_shown(Configurator& c) {
    const std::optional<uint16_t> v = CalibrationTable::value_of(c.frmSerial.Uroven.text());
    if (!v) {
        c.dialogs.message(QString::fromUtf8(
            QT_TRANSLATE_NOOP("Messages", "Уровень не известен: датчик не отвечает или не "
                                          "выбран.")));
        return std::nullopt;
    }
    return double(*v);
}

} // namespace

std::optional<double> tolerance_of(const QString& text) {
    const std::optional<double> v = parse_decimal(text);
    if (!v || *v <= 0 || *v > 100) return std::nullopt;
    return v;
}

QString control_refuel_click(Configurator& c, ControlRefuel& r, double tolerance) {
    if (!r.before) {
        r.before = level_shown(c);
        if (!r.before) return {};
        // By the time the fuel is in, the table window holds the sensor's table.
        if (has(c.frmSerial.firmware_version, Capability::CalibrationTable)) rdt(c);
        c.str_to_log(kTitle + QStringLiteral(": уровень до ") + plain_number(*r.before));
        return fill_text(QT_TRANSLATE_NOOP("Messages",
                                           "Уровень до: %1. Залейте топливо, дождитесь, "
                                           "пока уровень успокоится, и нажмите ещё раз."),
                         {plain_number(*r.before)});
    }
    const std::optional<QString> answer = c.dialogs.input_box(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Сколько литров залито?")), kTitle,
        QString());
    if (!answer || answer->trimmed().isEmpty()) return {};
    const std::optional<double> litres = parse_decimal(*answer);
    if (!litres) {
        c.dialogs.message(
            fill_text(QT_TRANSLATE_NOOP("Messages", "Неверное количество литров: %1"), {*answer}));
        return {};
    }
    const std::optional<double> after = level_shown(c);
    if (!after) return {};
    const Result<CalibrationTable> table = CalibrationTable::from_texts(cell_texts(c.table_window));
    Result<RefuelCheck> check =
        table ? check_refuel(*table, *r.before, *after, *litres, tolerance) : table.error();
    if (!check) {
        c.dialogs.message(fill_text(
            QT_TRANSLATE_NOOP("Messages", "Таблица в окне таблицы не годится для пересчёта: %1"),
            {check.error().text}));
        return {};
    }
    r.before.reset();
    r.last = *check;
    c.str_to_log(kTitle +
                 QStringLiteral(": уровень до %1, после %2; ")
                     .arg(plain_number(check->before), plain_number(check->after)) +
                 refuel_line(*check));
    return refuel_text(*check);
}
