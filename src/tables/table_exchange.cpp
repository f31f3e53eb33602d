#include "tables/table_exchange.h"

#include "commands/operating_mode.h"
#include "commands/operations.h"
#include "exchange/configurator.h"
#include "i18n/language.h"
#include "protocol/codes.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "ui/tones.h"

namespace {
// A cell the write refused stands out until the cells are checked or filled again.
constexpr Colour kBadCell = rgb(255, 176, 176);

TextBox& cell(TableForm& t, int i) {
    const auto k = size_t(i % CalibrationTable::kPoints);
    return i < CalibrationTable::kPoints ? *t.reading_cells[k] : *t.litre_cells[k];
}

void mark_bad_cell(TableForm& t, int bad) {
    for (int i = 0; i < CalibrationTable::kValues; ++i)
        cell(t, i).set_back_colour(i == bad ? kBadCell : kWindowBackground);
}

// The address a table request goes to, or the reason there is none in the
// status line.  With the port closed a queued request would wait and go out
// to whatever sensor is selected when a port is opened next.
std::optional<uint8_t> table_address(Configurator& c) {
    MainForm& f = c.frmSerial;
    if (!f.BTNCloseCom.enabled()) {
        f.MsgCom.set_text(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Порт не открыт.")));
        return std::nullopt;
    }
    const std::optional<uint8_t> address = f.selected_address();
    if (!address)
        f.MsgCom.set_text(
            QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Не выбран адрес датчика.")));
    return address;
}
} // namespace

QStringList cell_texts(const TableForm& t) {
    QStringList out;
    for (const auto* column : {&t.reading_cells, &t.litre_cells})
        for (const auto& box : *column) out << box->text();
    return out;
}

void set_cell_texts(TableForm& t, const QStringList& texts) {
    for (int i = 0; i < CalibrationTable::kValues && i < texts.size(); ++i)
        cell(t, i).set_text(texts[i]);
    mark_bad_cell(t, -1);
    t.fit_result.set_text({}); // said of the cells before
    t.fit_result.set_visible(false);
}

void rdt(Configurator& c) {
    const std::optional<uint8_t> address = table_address(c);
    if (!address) return;
    const QString sensor =
        fill_text(QT_TRANSLATE_NOOP("Messages", "датчик %1"), {QString::number(*address)});
    c.table_window.set_source(sensor, true);
    c.exchange.queue(
        request::read_table(*address), [&c, sensor](RequestOutcome outcome, const QByteArray&) {
            // The reply's listener has filled the cells by now.
            TableForm& t = c.table_window;
            if (t.reading && t.source == sensor)
                t.set_source(outcome == RequestOutcome::Replied ? sensor : QString(), false);
        });
    c.str_to_log(rules_of(Operation::TableRead).log_prefix);
}

bool queue_table_write(Configurator& c) {
    MainForm& f = c.frmSerial;
    const QStringList texts = cell_texts(c.table_window);
    // The cells are checked before anything else, so a bad one is shown
    // even while no sensor is selected.
    for (int i = 0; i < CalibrationTable::kValues; ++i) {
        if (CalibrationTable::value_of(texts[i])) continue;
        mark_bad_cell(c.table_window, i);
        // Rows are numbered from 1 on screen.
        f.MsgCom.set_text(fill_text(
            QT_TRANSLATE_NOOP("Messages", "Таблица не записана: строка %1, %2 \"%3\" - нужно целое "
                                          "число от 0 до %4."),
            {QString::number(i % CalibrationTable::kPoints + 1),
             i < CalibrationTable::kPoints
                 ? QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "показания"))
                 : QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "литры")),
             texts[i], QString::number(CalibrationTable::kMaxValue)}));
        return false;
    }
    mark_bad_cell(c.table_window, -1);
    const std::optional<uint8_t> address = table_address(c);
    if (!address) return false;

    const Result<CalibrationTable> table = CalibrationTable::from_texts(texts);
    if (!table) { // cannot happen after the check above; never send a guess
        f.MsgCom.set_text(table.error().text);
        return false;
    }
    c.exchange.queue(request::write_table(*address, f.firmware_version, *table));
    QString line = rules_of(Operation::TableWrite).log_prefix;
    for (const QString& t : texts) line += QStringLiteral(" ") + t + QStringLiteral(",");
    c.str_to_log(line);
    return true;
}

void wrmyTable_Click(Configurator& c) {
    // The sensor takes the table's litre and percent flags with the mode
    // write, sent two ticks after the table.
    if (queue_table_write(c)) c.exchange.after_ticks(2, [&c] { Set_mode_Click(c); });
}

void open_table_Click(Configurator& c) {
    rdt(c);
    c.table_window.set_visible(true);
}

std::optional<QString> ans_to_table(Configurator& c, const QByteArray& aans) {
    const Result<CalibrationTable> table = decode_table_reply(aans);
    if (!table) {
        c.frmSerial.MsgCom.set_text(table.error().text);
        return std::nullopt;
    }
    const QStringList texts = table->to_texts();
    set_cell_texts(c.table_window, texts);
    QString list;
    for (const QString& v : texts) list += v + QStringLiteral(", ");
    return list;
}

void table_reply(Configurator& c, const QByteArray& reply) {
    const std::optional<QString> values = ans_to_table(c, reply);
    if (!values) return; // no whole table: the cells keep theirs
    c.frmSerial.MsgCom.set_text(
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Прочитана таблица.")));
    c.str_to_log(QStringLiteral("Прочитана таблица = ") + *values);
    c.tones.tone(kConfirmHz, kConfirmMs);
}

void listen_for_tables(Configurator& c) {
    if (c.exchange.has_listener(CMD_READ_TABLE)) return; // once, however often wired
    c.exchange.on_reply(CMD_READ_TABLE, [&c](const QByteArray& reply) { table_reply(c, reply); });
}
