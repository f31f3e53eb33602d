#include "cli/cli_command_line.h"

#include "protocol/numbers.h"
#include "protocol/requests.h"

#include <array>

namespace {

struct CommandInfo {
    CliCommand command;
    const char* name;
    const char* synopsis;
    const char* summary;
    const char* details;
};

// The window's question before the operation, where it asks one.
const std::array<CommandInfo, 15> kCommands = {{
    {CliCommand::Scan, "scan", "scan", "search the line for sensors; prints their addresses",
     "Sends the network scan and prints each address that answered, one per line.\n"
     "Does not read an identity first: the scan is for finding the addresses.\n"},
    {CliCommand::Info, "info", "info", "serial number and firmware version code",
     "Prints \"serial N\" and \"firmware CODE\" (CODE is the version's three digits as\n"
     "one number, 176 for 1.7.6), one per line.\n"},
    {CliCommand::Watch, "watch", "watch [--count N]", "live values as CSV, about once a second",
     "Asks for the sensor's state about once a second and prints a CSV header, then one\n"
     "row per answer:\n"
     "  time,address,level,current,empty,full,temperature,coefficient,mode,alarm,extended\n"
     "time is local ISO 8601; temperature in degrees Celsius; mode, alarm and extended\n"
     "are the sensor's configuration bytes in decimal, empty when it does not send them.\n"
     "A missed answer is reported on stderr and the watch goes on.\n"
     "  --count N   stop after N rows (default: until interrupted; Ctrl+C ends it with\n"
     "              status 0)\n"},
    {CliCommand::SetFull, "set-full", "set-full current|VALUE", "calibrate the full level",
     "current: the sensor takes its present reading as the full level (refused while\n"
     "         smoothing is on).\n"
     "VALUE:   the full level as a number, 0 to 2000000000 (firmware 1.7.1 and up);\n"
     "         asks first.\n"},
    {CliCommand::SetEmpty, "set-empty", "set-empty current|VALUE", "calibrate the empty level",
     "current: the sensor takes its present reading as the empty level (refused while\n"
     "         smoothing is on).\n"
     "VALUE:   the empty level as a number, 0 to 2000000000 (firmware 1.7.1 and up);\n"
     "         asks first.\n"},
    {CliCommand::ShiftFull, "shift-full", "shift-full DELTA", "shift the full level",
     "Shifts the stored full level by DELTA, -1000 to 1000; asks first.\n"},
    {CliCommand::ShiftEmpty, "shift-empty", "shift-empty DELTA", "shift the empty level",
     "Shifts the stored empty level by DELTA, -1000 to 1000; asks first.\n"},
    {CliCommand::Mode, "mode",
     "mode [--output rs485|analog|frequency|periodic|periodic-rs485|rs232]\n"
     "     [--invert on|off] [--range4096 on|off] [--litres on|off] [--percent on|off]\n"
     "     [--smoothing 0..15] [--thermal-compensation on|off]",
     "set the operating mode",
     "Writes the operating mode; every option not given keeps the value the sensor\n"
     "reports now.  Asks first.\n"
     "  --output                output interface (analog and frequency from firmware\n"
     "                          1.3.0, periodic from 1.3.1, periodic-rs485 and rs232\n"
     "                          from 1.6.3); a sensor in frequency output answers\n"
     "                          nothing else until its power is switched off and on\n"
     "  --invert                indicator inversion\n"
     "  --range4096             level range 0..4095 instead of 0..1023\n"
     "  --litres, --percent     the sensor converts the level into litres (by its\n"
     "                          calibration table) or percent; firmware 1.7.0 and up\n"
     "  --smoothing             smoothing level; firmware before 1.7.6 knows only off (0)\n"
     "                          and on (any other value)\n"
     "  --thermal-compensation  firmware 1.7.6 and up\n"},
    {CliCommand::Alarm, "alarm", "alarm PERCENT", "set the low-fuel alarm level",
     "Sets the alarm (lamp) level, 1 to 99 percent (firmware 1.7.0 and up); asks first.\n"},
    {CliCommand::Address, "address", "address NEW", "give the sensor a new network address",
     "Sets the sensor's network address to NEW, 0 to 255.  From then on it answers at\n"
     "NEW only.\n"},
    {CliCommand::PasswordEnter, "password enter", "password enter N", "present the access password",
     "Presents the password N, 0 to 2000000000 (firmware 1.6.3 and up).  A wrong\n"
     "password ends with status 1.\n"},
    {CliCommand::PasswordChange, "password change", "password change N",
     "set a new access password",
     "Sets the password to N, 0 to 2000000000 (firmware 1.6.3 and up); asks first.\n"
     "A forgotten password can only be removed by the maker.\n"},
    {CliCommand::Horizon, "horizon", "horizon", "set the horizon",
     "Sends the horizon command; asks first.\n"},
    {CliCommand::TableRead, "table read", "table read FILE",
     "save the sensor's calibration table to a zvk file",
     "Reads the 20-point calibration table (firmware 1.7.0 and up) and saves it as FILE:\n"
     "40 lines in Windows-1251 with CR LF, the 20 readings, then the 20 litre values.\n"
     "The file is written whole or not at all.\n"},
    {CliCommand::TableWrite, "table write", "table write FILE",
     "send a zvk file's calibration table to the sensor",
     "Sends the calibration table of FILE (firmware 1.7.0 and up).  The file must hold\n"
     "a whole number of 40-line blocks (the last block counts) of whole numbers 0 to\n"
     "32767; anything else is refused before the port is opened.\n"},
}};

const CommandInfo& info(CliCommand c) {
    for (const CommandInfo& i : kCommands)
        if (i.command == c) return i;
    return kCommands[0];
}

CliParse usage_error(const QString& text) {
    CliParse p;
    p.outcome = CliParse::Outcome::UsageError;
    p.text = text;
    return p;
}

CliParse bad_value(const QString& text) {
    CliParse p;
    p.outcome = CliParse::Outcome::BadValue;
    p.text = text;
    return p;
}

CliParse help(const QString& text) {
    CliParse p;
    p.outcome = CliParse::Outcome::Help;
    p.text = text;
    return p;
}

const QString kLevelRange =
    QStringLiteral("Введите значение уровня в диапазоне 0....2 000 000 000");
const QString kShiftRange = QStringLiteral("Значения могут быть от -1000 до 1000");
const QString kAlarmRange = QStringLiteral("Значения могут быть от 1 до 99");
const QString kAddressRange = QStringLiteral("Введите число в диапазоне 0....255");
const QString kPasswordRange =
    QStringLiteral("Введите числовой пароль в диапазоне 0....2 000 000 000");

// A number by the window's input rule, within lo..hi.
std::optional<int64_t> number_in(const QString& text, int64_t lo, int64_t hi) {
    const std::optional<int64_t> v = parse_whole_number(text);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return v;
}

// A value that starts with a minus and a digit is a number, not an option.
bool is_option(const QString& a) {
    return a.startsWith(u'-') && !(a.size() > 1 && (a[1].isDigit() || a[1] == u'.'));
}

std::optional<bool> on_off(const QString& v) {
    if (v == u"on") return true;
    if (v == u"off") return false;
    return std::nullopt;
}

std::optional<OutputInterface> output_named(const QString& v) {
    static const std::pair<const char*, OutputInterface> names[] = {
        {"rs485", OutputInterface::Rs485},
        {"analog", OutputInterface::Analog},
        {"frequency", OutputInterface::Frequency},
        {"periodic", OutputInterface::Periodic},
        {"periodic-rs485", OutputInterface::PeriodicRs485},
        {"rs232", OutputInterface::Rs232}};
    for (const auto& [name, o] : names)
        if (v == QLatin1String(name)) return o;
    return std::nullopt;
}

// Splits "--name=value" and "--name value"; `i` moves past what was taken.
struct Option {
    QString name;
    QString value;
    bool has_value = false;
};
Option take_option(const QStringList& a, qsizetype& i, bool wants_value) {
    Option o;
    const QString& arg = a[i];
    const qsizetype eq = arg.indexOf(u'=');
    if (arg.startsWith(u"--") && eq > 0) {
        o.name = arg.left(eq);
        o.value = arg.mid(eq + 1);
        o.has_value = true;
    } else {
        o.name = arg;
        if (wants_value && i + 1 < a.size()) {
            o.value = a[++i];
            o.has_value = true;
        }
    }
    return o;
}

CliParse parse_mode(const QStringList& a, Invocation inv) {
    ModeChange& m = inv.mode;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!is_option(a[i]))
            return usage_error(QStringLiteral("mode: unexpected argument '%1'").arg(a[i]));
        const Option o = take_option(a, i, true);
        if (!o.has_value) return usage_error(QStringLiteral("mode: %1 needs a value").arg(o.name));
        auto bad = [&o](const char* allowed) {
            return usage_error(QStringLiteral("mode: %1 wants %2, not '%3'")
                                   .arg(o.name, QLatin1String(allowed), o.value));
        };
        auto flag = [&](std::optional<bool>& into) -> bool {
            into = on_off(o.value);
            return into.has_value();
        };
        if (o.name == u"--output") {
            m.output = output_named(o.value);
            if (!m.output)
                return bad("rs485, analog, frequency, periodic, periodic-rs485 or rs232");
        } else if (o.name == u"--invert") {
            if (!flag(m.invert)) return bad("on or off");
        } else if (o.name == u"--range4096") {
            if (!flag(m.range4096)) return bad("on or off");
        } else if (o.name == u"--litres") {
            if (!flag(m.litres)) return bad("on or off");
        } else if (o.name == u"--percent") {
            if (!flag(m.percent)) return bad("on or off");
        } else if (o.name == u"--thermal-compensation") {
            if (!flag(m.thermal_compensation)) return bad("on or off");
        } else if (o.name == u"--smoothing") {
            const auto v = number_in(o.value, 0, 15);
            if (!v) return bad("a whole number from 0 to 15");
            m.smoothing = int(*v);
        } else {
            return usage_error(QStringLiteral("mode: unknown option '%1'").arg(o.name));
        }
    }
    CliParse p;
    p.outcome = CliParse::Outcome::Run;
    p.invocation = inv;
    return p;
}

CliParse parse_watch(const QStringList& a, Invocation inv) {
    for (qsizetype i = 0; i < a.size(); ++i) {
        const Option o = take_option(a, i, true);
        if (o.name != u"--count")
            return usage_error(QStringLiteral("watch: unexpected argument '%1'").arg(a[i]));
        const auto n = number_in(o.value, 1, 1'000'000'000);
        if (!o.has_value || !n)
            return usage_error(
                QStringLiteral("watch: --count wants a whole number of rows, 1 or more"));
        inv.count = int(*n);
    }
    CliParse p;
    p.outcome = CliParse::Outcome::Run;
    p.invocation = inv;
    return p;
}

// A command that takes exactly `n` positional arguments.
std::optional<CliParse> positional(const QStringList& a, qsizetype n, const QString& command,
                                   const QString& what) {
    for (const QString& s : a)
        if (is_option(s))
            return usage_error(QStringLiteral("%1: unknown option '%2'").arg(command, s));
    if (a.size() < n) return usage_error(QStringLiteral("%1: %2 is missing").arg(command, what));
    if (a.size() > n)
        return usage_error(QStringLiteral("%1: unexpected argument '%2'").arg(command, a[n]));
    return std::nullopt;
}

CliParse run(const Invocation& inv) {
    CliParse p;
    p.outcome = CliParse::Outcome::Run;
    p.invocation = inv;
    return p;
}

CliParse parse_command(CliCommand c, const QStringList& a, Invocation inv) {
    inv.command = c;
    const QString name = cli_command_name(c);
    switch (c) {
    case CliCommand::Scan:
    case CliCommand::Info:
    case CliCommand::Horizon:
        if (auto e = positional(a, 0, name, {})) return *e;
        return run(inv);
    case CliCommand::Watch:
        return parse_watch(a, inv);
    case CliCommand::Mode:
        return parse_mode(a, inv);
    case CliCommand::SetFull:
    case CliCommand::SetEmpty: {
        if (auto e = positional(a, 1, name, QStringLiteral("'current' or a VALUE"))) return *e;
        inv.value_text = a[0];
        if (a[0] == u"current") {
            inv.current = true;
            return run(inv);
        }
        const auto v = number_in(a[0], 0, kLongMax);
        if (!v) return bad_value(kLevelRange);
        inv.value = *v;
        return run(inv);
    }
    case CliCommand::ShiftFull:
    case CliCommand::ShiftEmpty: {
        if (auto e = positional(a, 1, name, QStringLiteral("DELTA"))) return *e;
        const auto v = number_in(a[0], -kShiftLimit, kShiftLimit);
        if (!v) return bad_value(kShiftRange);
        inv.value_text = a[0];
        inv.value = *v;
        return run(inv);
    }
    case CliCommand::Alarm: {
        if (auto e = positional(a, 1, name, QStringLiteral("PERCENT"))) return *e;
        const auto v = number_in(a[0], kAlarmMin, kAlarmMax);
        if (!v) return bad_value(kAlarmRange);
        inv.value_text = a[0];
        inv.value = *v;
        return run(inv);
    }
    case CliCommand::Address: {
        if (auto e = positional(a, 1, name, QStringLiteral("NEW"))) return *e;
        const auto v = number_in(a[0], 0, 255);
        if (!v) return bad_value(kAddressRange);
        inv.value_text = a[0];
        inv.value = *v;
        return run(inv);
    }
    case CliCommand::PasswordEnter:
    case CliCommand::PasswordChange: {
        if (auto e = positional(a, 1, name, QStringLiteral("N"))) return *e;
        const auto v = number_in(a[0], 0, kLongMax);
        if (!v) return bad_value(kPasswordRange);
        inv.value_text = a[0];
        inv.value = *v;
        return run(inv);
    }
    case CliCommand::TableRead:
    case CliCommand::TableWrite:
        if (auto e = positional(a, 1, name, QStringLiteral("FILE"))) return *e;
        if (a[0].isEmpty()) return usage_error(QStringLiteral("%1: FILE is empty").arg(name));
        inv.file = a[0];
        return run(inv);
    }
    return usage_error(QStringLiteral("unknown command"));
}

// "password enter" and "table read" are two words; the rest one.
std::optional<CliCommand> command_at(const QStringList& a, qsizetype& i, QString* error) {
    const QString first = a[i];
    for (const CommandInfo& c : kCommands) {
        const QStringList words = QString::fromLatin1(c.name).split(u' ');
        if (words[0] != first) continue;
        if (words.size() == 1) {
            ++i;
            return c.command;
        }
        if (i + 1 < a.size() && a[i + 1] == words[1]) {
            i += 2;
            return c.command;
        }
    }
    if (first == u"password" || first == u"table") {
        const QString second = i + 1 < a.size() ? a[i + 1] : QString();
        if (second == u"--help" || second == u"-h" || second.isEmpty()) {
            *error = QStringLiteral("%1: say %2")
                         .arg(first, first == u"password" ? QStringLiteral("enter or change")
                                                          : QStringLiteral("read or write"));
        } else {
            *error = QStringLiteral("%1: unknown action '%2'").arg(first, second);
        }
        return std::nullopt;
    }
    *error = QStringLiteral("unknown command '%1'").arg(first);
    return std::nullopt;
}

} // namespace

QString cli_command_name(CliCommand command) {
    return QString::fromLatin1(info(command).name);
}

CliParse parse_cli(const QStringList& args) {
    Invocation inv;
    bool port_given = false;
    qsizetype i = 0;
    for (; i < args.size() && args[i].startsWith(u'-'); ++i) {
        const Option o = take_option(args, i, args[i] == u"--port" || args[i] == u"--address");
        if (o.name == u"--help" || o.name == u"-h") return help(cli_usage());
        if (o.name == u"--yes" || o.name == u"-y") {
            inv.yes = true;
        } else if (o.name == u"--port") {
            if (!o.has_value || o.value.isEmpty())
                return usage_error(QStringLiteral("option --port needs a device path or 'demo'"));
            inv.port = o.value;
            port_given = true;
        } else if (o.name == u"--address") {
            const auto v = o.has_value ? number_in(o.value, 0, 255) : std::nullopt;
            if (!v)
                return usage_error(QStringLiteral("option --address wants a network address "
                                                  "from 0 to 255"));
            inv.address = uint8_t(*v);
        } else {
            return usage_error(QStringLiteral("unknown option '%1'").arg(o.name));
        }
    }
    if (i >= args.size()) return usage_error(QStringLiteral("no command given"));
    if (args[i] == u"help") {
        if (i + 1 >= args.size()) return help(cli_usage());
        qsizetype j = i + 1;
        QString error;
        const auto c = command_at(args, j, &error);
        if (!c) return usage_error(error);
        return help(cli_command_help(*c));
    }
    QString error;
    const auto command = command_at(args, i, &error);
    if (!command) return usage_error(error);
    const QStringList rest = args.mid(i);
    if (rest.contains(QStringLiteral("--help")) || rest.contains(QStringLiteral("-h")))
        return help(cli_command_help(*command));
    CliParse p = parse_command(*command, rest, inv);
    if (p.outcome == CliParse::Outcome::UsageError) p.command = command;
    if (p.outcome == CliParse::Outcome::Run && !port_given)
        return usage_error(QStringLiteral("%1 talks to a sensor: give --port PATH (or --port demo)")
                               .arg(cli_command_name(*command)));
    return p;
}

QString cli_usage() {
    QString commands;
    for (const CommandInfo& c : kCommands)
        commands += QStringLiteral("  %1%2\n")
                        .arg(QString::fromLatin1(c.name).leftJustified(17), c.summary);
    return QStringLiteral(
               "Usage: zorvik-cli [--port PATH] [--address N] [--yes] COMMAND [ARGS...]\n"
               "\n"
               "The Zorvik configurator without a window: talks to one fuel-level sensor on\n"
               "an RS-485 line (19200 8N1) and does one thing.\n"
               "\n"
               "  --port PATH     the serial device (/dev/ttyUSB0, COM3, a zorvik-sim link),\n"
               "                  or 'demo' for the built-in simulated line (sensors at\n"
               "                  addresses 1, 5 and 12)\n"
               "  --address N     the sensor's network address, 0 to 255 (default 0)\n"
               "  --yes           answer yes to the question an operation asks first;\n"
               "                  without it the question is asked on the terminal (no ends\n"
               "                  with status 1, nothing sent), and with no terminal the\n"
               "                  operation is refused\n"
               "  --help          this text; COMMAND --help tells about one command\n"
               "\n"
               "Commands:\n"
               "%1"
               "\n"
               "Every command first reads the sensor's identity and state (scan excepted),\n"
               "so that requests carry what its firmware expects.  Results go to stdout,\n"
               "messages to stderr in the configurator's own words.\n"
               "\n"
               "Exit status: 0 done and confirmed by the sensor; 1 no answer, refused by the\n"
               "sensor (wrong password, frequency mode, firmware too old) or failed; 2 bad\n"
               "usage or bad input, and then nothing at all has been sent.\n"
               "\n"
               "Run log: one file per run, named after the start time (a second run in the\n"
               "same second gets \"_2\" added), written as the window writes it.  Folder: $%2\n"
               "when set; otherwise \"log\" beside the program when that can be written;\n"
               "otherwise \"log\" in the user's data folder (~/.local/share/zorvik/log).  A\n"
               "run refused before the port is opened writes no log.\n")
        .arg(commands, QLatin1String(kLogDirVariable));
}

QString cli_command_help(CliCommand command) {
    const CommandInfo& c = info(command);
    return QStringLiteral("Usage: zorvik-cli [--port PATH] [--address N] [--yes] %1\n\n%2")
        .arg(QString::fromLatin1(c.synopsis), QString::fromLatin1(c.details));
}
