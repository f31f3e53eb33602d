#include "cli/cli_runner.h"
#include "i18n/language.h"

#include "cli/cli_link.h"
#include "cli/cli_tables.h"
#include "commands/operations.h"
#include "commands/password_address_alarm.h"
#include "exchange/configurator.h"
#include "exchange/exchange_cycle.h"
#include "exchange/network_scan.h"
#include "link/clock.h"
#include "link/text_files.h"
#include "protocol/codes.h"
#include "protocol/firmware_capabilities.h"
#include "protocol/replies.h"
#include "protocol/requests.h"
#include "protocol/serial_port.h"
#include "protocol/session.h"
#include "protocol/watch_row.h"
#include "tables/table_exchange.h"
#include "ui/dialogs.h"

#include <QElapsedTimer>

#include <algorithm>

namespace {

constexpr int kWatchPeriodMs = 1000; // the window's exchange cycle

const QString kInterrupted = QString::fromUtf8(kCliInterrupted);
const QString kNotUnderstood =
    QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Ответ не соответствует запросу"));

bool sends_a_request(CliCommand c) {
    return c != CliCommand::Info && c != CliCommand::Watch && c != CliCommand::Scan;
}

QString dotted(int version_code) {
    const QString digits = QString::number(version_code);
    QStringList parts;
    for (QChar d : digits) parts << QString(d);
    return parts.join(u'.');
}

struct Answer {
    uint8_t code = 0;
    QByteArray reply;
};

class Runner {
public:
    Runner(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock)
        : inv_(inv), console_(console), link_(line, console, clock), c_(link_.cfg()),
          session_(line.port) {
        listen_for_tables(c_); // the window's handling of table replies
    }

    int run(const std::function<QString()>& log_folder);

private:
    int prepare();
    // Says that a stop came before the operation was done; the exit status.
    int interrupted();
    bool open(const QString& log_folder);
    int operate();
    int scan();
    int watch(const Answer& first_state);
    int info(const Answer& identity);
    // An operation whose request carries at most one value.
    int with_value(Operation op);
    int new_address();
    int mode(const StateReply& state);
    int table_read();
    int table_write();

    std::optional<Answer> talk(const QByteArray& request);
    void report(const Error& error);
    void refused(const Answer& a);
    int refused_at_start(const Answer& a);
    // Sends a request that changes the sensor; 0 when `expected` came back.
    int change(const Result<QByteArray>& request, uint8_t expected);

    uint8_t address_byte() const { return inv_.address; }
    int version() const { return c_.frmSerial.firmware_version; }

    const Invocation& inv_;
    CliConsole& console_;
    CliLink link_;
    Configurator& c_;
    Session session_;
    bool fatal_ = false; // the line is gone: nothing more can be sent
    bool lost_ = false;  // the port went away under a watch

    // Prepared before the port opens.
    CalibrationTable table_;
    QStringList table_cells_;
};

int Runner::run(const std::function<QString()>& log_folder) {
    if (const int refused = prepare(); refused >= 0) return refused;
    if (console_.stop_requested()) return interrupted(); // before a port or a log
    if (!open(log_folder())) return kCliFailed;
    int status = operate();
    // A watch ends this way as planned; anything else was cut short.
    if (status != kCliDone && console_.stop_requested()) status = interrupted();
    link_.close();
    return status;
}

int Runner::interrupted() {
    console_.err(kInterrupted);
    c_.str_to_log(kInterrupted);
    return kCliFailed;
}

// Everything that can be refused without the sensor: files and questions.
// -1 to go on, otherwise the exit status.
int Runner::prepare() {
    if (inv_.command == CliCommand::TableWrite) {
        QStringList lines;
        QString why;
        if (!read_cp1251_lines(inv_.file, kTableFileMaxBytes, &lines, &why)) {
            console_.err(
                fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось прочитать файл %1: %2"),
                          {inv_.file, why}));
            return kCliBadInput;
        }
        const Result<QStringList> cells = zvk_cells_from_lines(lines);
        if (!cells) {
            console_.err(cells.error().text);
            return kCliBadInput;
        }
        if (cells->isEmpty()) {
            console_.err(
                fill_text(QT_TRANSLATE_NOOP("Messages", "Файл таблицы пуст: %1"), {inv_.file}));
            return kCliBadInput;
        }
        const Result<CalibrationTable> table = CalibrationTable::from_texts(*cells);
        if (!table) {
            console_.err(table.error().text);
            return kCliBadInput;
        }
        table_ = *table;
        table_cells_ = *cells;
    }
    const QString result_file = inv_.command == CliCommand::TableRead ? inv_.file : inv_.out;
    if (!result_file.isEmpty() &&
        (inv_.command == CliCommand::TableRead || inv_.command == CliCommand::TableExport)) {
        // The file is written once the table is in; find out now whether it can be.
        if (const QString why = why_not_writable(result_file); !why.isEmpty()) {
            console_.err(fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось записать файл %1: %2"),
                                   {result_file, why}));
            return kCliBadInput;
        }
    }
    const std::optional<Operation> op = cli_operation(inv_);
    const QString question = op ? rules_of(*op).question : QString();
    if (!question.isEmpty() && !inv_.yes) {
        const std::optional<bool> answer = console_.ask(question);
        if (console_.stop_requested()) return interrupted(); // Ctrl+C instead of an answer
        if (!answer) {
            console_.err(question);
            console_.err(QStringLiteral("zorvik-cli: no terminal to answer on; give --yes to "
                                        "answer yes"));
            return kCliBadInput;
        }
        if (!*answer) return kCliFailed; // as in the window: No ends it, without a word
    }
    return -1;
}

bool Runner::open(const QString& log_folder) {
    if (!link_.open(inv_.port, log_folder)) return false;
    MainForm& f = c_.frmSerial;
    f.CmbNet.clear();
    f.CmbNet.add_item(QString::number(address_byte()));
    f.CmbNet.set_list_index(0);
    return true;
}

std::optional<Answer> Runner::talk(const QByteArray& request) {
    if (console_.stop_requested()) {
        fatal_ = true;
        return std::nullopt;
    }
    const Result<QByteArray> got = session_.exchange(request);
    if (!got && console_.stop_requested()) {
        fatal_ = true; // a stop while waiting: run() says so, not "no answer"
        return std::nullopt;
    }
    if (!got && inv_.command == CliCommand::Watch &&
        (got.error().kind == ErrorKind::WriteFailed || got.error().kind == ErrorKind::PortClosed) &&
        link_.port().LinkLost()) {
        // A gateway says what went (the connection to its address).
        if (got.error().kind == ErrorKind::PortClosed) {
            console_.err(got.error().text);
            c_.str_to_log(got.error().text);
        }
        lost_ = true; // a watch waits for its port; a one-shot command fails at once
        return std::nullopt;
    }
    if (!got) {
        report(got.error());
        return std::nullopt;
    }
    // The window's own handling of a received reply: status, run log, decoders.
    process_reply(c_, *got);
    return Answer{reply_header(*got)->code, *got};
}

void Runner::report(const Error& error) {
    switch (error.kind) {
    case ErrorKind::NoAnswer: {
        const QString text = describe(error, address_byte());
        c_.str_to_log(text);
        console_.err(text);
        break;
    }
    case ErrorKind::WriteFailed:
    case ErrorKind::PortClosed:
        fatal_ = true;
        // A lost connection goes to the run log, as the window's does.
        if (c_.port.LinkLost()) c_.str_to_log(error.text);
        c_.dialogs.message(error.text);
        break;
    default:
        console_.err(error.text);
        break;
    }
}

void Runner::refused(const Answer& a) {
    if (a.code == RPL_WRONG_PASSWORD || a.code == RPL_FREQ_MODE) {
        console_.err(
            c_.frmSerial.MsgCom.text()); // "Неверный пароль.", "Датчик в частотном режиме."
        return;
    }
    // The dispatch has already said so for a code it does not know.
    if (c_.frmSerial.MsgCom.text().trimmed() !=
        QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Непонятно что пришло!")))
        console_.err(kNotUnderstood);
}

int Runner::operate() {
    if (inv_.command == CliCommand::Scan) return scan();

    // As the window does after choosing an address: identity, then state.
    const std::optional<Answer> identity = talk(request::read_id(address_byte()));
    if (!identity) return kCliFailed;
    if (identity->code != CMD_READ_ID) return refused_at_start(*identity);
    const std::optional<Answer> state = talk(request::read_state(address_byte()));
    if (!state) return kCliFailed;
    if (state->code != CMD_READ_STATE) return refused_at_start(*state);

    switch (inv_.command) {
    case CliCommand::Info:
        return info(*identity);
    case CliCommand::Watch:
        return watch(*state);
    default:
        break;
    }

    const std::optional<Operation> op = cli_operation(inv_);
    if (!op) return kCliFailed;
    const FirmwareTag tag = *op == Operation::Mode
                                ? mode_tag(inv_.mode.output, inv_.mode.litres || inv_.mode.percent,
                                           inv_.mode.thermal_compensation.has_value())
                                : rules_of(*op).tag;
    const int needed = needed_version(tag);
    if (version() < needed) {
        console_.err(fill_text(
            QT_TRANSLATE_NOOP("Messages", "Датчик с прошивкой %1 не поддерживает эту "
                                          "операцию: нужна версия %2 или новее."),
            {version() > 0 ? dotted(version())
                           : QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "неизвестной версии")),
             dotted(needed)}));
        return kCliFailed;
    }
    if (const QString record = not_connected_record(*op);
        !record.isEmpty() && c_.frmSerial.tek.text() == kNoData) {
        c_.dialogs.message(kNotConnected);
        c_.str_to_log(record);
        return kCliFailed;
    }

    switch (*op) {
    case Operation::SetFull:
    case Operation::SetEmpty:
        // The sensor stores a smoothed reading; it has to be switched off first.
        if (c_.frmSerial.reported_mode & ModeByte::kSmoothing) {
            c_.dialogs.message(kSmoothingOnRefusal);
            return kCliFailed;
        }
        return with_value(*op);
    case Operation::Mode:
        return mode(decode_state(state->reply));
    case Operation::TableRead:
        return table_read();
    case Operation::TableWrite:
        return table_write();
    case Operation::Address:
        return new_address();
    default:
        return with_value(*op);
    }
}

int Runner::refused_at_start(const Answer& a) {
    refused(a);
    // The window would drop the operation's request with this message.
    if (a.code == RPL_FREQ_MODE && sends_a_request(inv_.command))
        c_.dialogs.message(kFrequencyRefusal);
    return kCliFailed;
}

int Runner::change(const Result<QByteArray>& request, uint8_t expected) {
    if (!request) { // the values were checked before; this would be a fault of ours
        console_.err(request.error().text);
        return kCliFailed;
    }
    const std::optional<Answer> a = talk(*request);
    if (!a) return kCliFailed;
    if (a->code != expected) {
        refused(*a);
        return kCliFailed;
    }
    console_.out(c_.frmSerial.MsgCom.text()); // the window's status line
    return kCliDone;
}

int Runner::scan() {
    c_.str_to_log(QStringLiteral("Cmd Ask Net "));
    c_.exchange.begin_scan();
    c_.exchange.refresh_settings_next();
    const Result<QList<uint8_t>> found = session_.scan();
    if (!found) {
        report(found.error());
        return kCliFailed;
    }
    QByteArray answer;
    for (uint8_t a : *found) answer.append(char(a));
    net_answer(c_, answer);
    c_.exchange.end_scan();
    for (uint8_t a : *found) console_.out(QString::number(a));
    return kCliDone;
}

int Runner::info(const Answer& identity) {
    const IdentityReply id = decode_identity(identity.reply);
    if (!id.serial || !id.version) {
        console_.err(QString::fromUtf8(QT_TRANSLATE_NOOP("Messages", "Неполный ответ.")));
        return kCliFailed;
    }
    console_.out(QStringLiteral("serial ") + QString::number(*id.serial));
    console_.out(QStringLiteral("firmware ") + QString::number(*id.version));
    return kCliDone;
}

int Runner::watch(const Answer& first_state) {
    const Clock& clock = c_.clock;
    console_.out(kWatchHeader);
    console_.out(watch_row(decode_state(first_state.reply), clock.now()));
    int rows = 1;
    QElapsedTimer since_request; // the state is asked for once a second, however long a reply took
    since_request.start();
    while (inv_.count == 0 || rows < inv_.count) {
        console_.pause(int(std::max<qint64>(0, kWatchPeriodMs - since_request.elapsed())));
        if (console_.stop_requested()) return kCliDone;
        since_request.restart();
        const std::optional<Answer> a = talk(request::read_state(address_byte()));
        if (lost_) {
            // No rows for the time it was gone; a stop while waiting ends the watch.
            lost_ = false;
            if (!link_.wait_for_return(inv_.port)) return kCliDone;
            continue; // asked at once: the second is long over
        }
        if (!a) {
            if (fatal_) return console_.stop_requested() ? kCliDone : kCliFailed;
            continue; // reported; the next second asks again, as the window does
        }
        if (a->code != CMD_READ_STATE) {
            refused(*a);
            continue;
        }
        console_.out(watch_row(decode_state(a->reply), clock.now()));
        ++rows;
    }
    return kCliDone;
}

int Runner::with_value(Operation op) {
    const OperationRules& r = rules_of(op);
    const Result<QByteArray> request = r.build(address_byte(), version(), inv_.value);
    if (request) c_.str_to_log(log_record(op, inv_.value_text, inv_.value));
    return change(request, r.confirmation);
}

// Two sensors at one address answer the same requests at once, so neither
// can be understood, and telling them apart again takes disconnecting one.
// An address at which anything answers already is refused, unchanged.
int Runner::new_address() {
    const auto wanted = uint8_t(inv_.value);
    if (wanted != address_byte()) {
        const Result<QByteArray> got = session_.exchange(request::read_id(wanted));
        if (console_.stop_requested()) {
            fatal_ = true;
            return kCliFailed; // run() says it was interrupted
        }
        if (!got && (got.error().kind == ErrorKind::WriteFailed ||
                     got.error().kind == ErrorKind::PortClosed)) {
            report(got.error());
            return kCliFailed;
        }
        if (got || got.error().kind != ErrorKind::NoAnswer) {
            const QString text = address_taken_text(wanted);
            console_.err(text);
            c_.str_to_log(text);
            return kCliFailed;
        }
    }
    return with_value(Operation::Address);
}

int Runner::mode(const StateReply& state) {
    const bool extended = has(version(), Capability::ExtendedMode);
    if (!state.mode || (extended && !state.extended_mode)) {
        console_.err(QString::fromUtf8(
            QT_TRANSLATE_NOOP("Messages", "Датчик не сообщил свой режим работы.")));
        return kCliFailed;
    }
    ModeByte m = ModeByte::decode(*state.mode);
    ExtendedMode x = ExtendedMode::decode(state.extended_mode.value_or(0));
    const ModeChange& want = inv_.mode;
    if (want.output) m.output = *want.output;
    if (want.invert) m.invert = *want.invert;
    if (want.range4096) m.range4096 = *want.range4096;
    if (want.litres) m.litres = *want.litres;
    if (want.percent) m.percent = *want.percent;
    if (want.smoothing) {
        // Before 1.7.6 smoothing is only on or off; from 1.7.6 its level.
        if (extended)
            x.smoothing_level = uint8_t(*want.smoothing);
        else
            m.smoothing = *want.smoothing != 0;
    }
    if (want.thermal_compensation) x.thermal_compensation_off = !*want.thermal_compensation;

    const uint8_t mode_byte = m.encode();
    // The record names the smoothing level the window's slider would show.
    const QString level =
        extended ? QString::number(x.smoothing_level) : c_.frmSerial.sgla.text().trimmed();
    c_.str_to_log(rules_of(Operation::Mode).log_prefix + QString::number(mode_byte) +
                  QStringLiteral(" sgla ") + level);
    return change(request::set_mode(address_byte(), version(), mode_byte, x.encode()),
                  CMD_SET_MODE);
}

int Runner::table_read() {
    c_.str_to_log(rules_of(Operation::TableRead).log_prefix);
    const std::optional<Answer> a = talk(request::read_table(address_byte()));
    if (!a) return kCliFailed;
    if (a->code != CMD_READ_TABLE) {
        refused(*a);
        return kCliFailed;
    }
    const Result<CalibrationTable> table = decode_table_reply(a->reply);
    if (!table) {
        console_.err(table.error().text);
        return kCliFailed;
    }
    if (inv_.command == CliCommand::TableExport) {
        const Result<std::vector<TablePoint>> points = platform_points(*table);
        if (!points) { // what the sensor holds is no table a platform can take
            console_.err(points.error().text);
            return kCliFailed;
        }
        return emit_platform_table(inv_, *points, console_);
    }
    QString why;
    if (!write_cp1251_lines(inv_.file, table->to_texts(), &why)) {
        console_.err(fill_text(QT_TRANSLATE_NOOP("Messages", "Не удалось записать файл %1: %2"),
                               {inv_.file, why}));
        return kCliFailed;
    }
    return kCliDone;
}

int Runner::table_write() {
    QString record = rules_of(Operation::TableWrite).log_prefix;
    for (const QString& cell : table_cells_) record += u' ' + cell + u',';
    c_.str_to_log(record);
    return change(request::write_table(address_byte(), version(), table_), CMD_WRITE_TABLE);
}

} // namespace

int run_cli(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
            const std::function<QString()>& log_folder) {
    Runner runner(inv, line, console, clock);
    return runner.run(log_folder);
}
