#include "cli/cli_command_line.h"
#include "cli/cli_certificate.h"
#include "cli/cli_help.h"
#include "cli/cli_options.h"
#include "cli/cli_tables.h"

#include "cli/cli_line.h"
#include "link/network_address.h"

#include "protocol/numbers.h"
#include "protocol/requests.h"

namespace {

CliParse help(const QString& text) {
    CliParse p;
    p.outcome = CliParse::Outcome::Help;
    p.text = text;
    return p;
}

// A number by the window's input rule, within lo..hi.
std::optional<int64_t> number_in(const QString& text, int64_t lo, int64_t hi) {
    const std::optional<int64_t> v = parse_whole_number(text);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return v;
}

CliParse run(const Invocation& inv);

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

// The relay generator's entries, in its list's order.
const std::pair<const char*, RelayOp> kRelayEntries[] = {
    {"password-enter", RelayOp::EnterPassword},
    {"state", RelayOp::ReadState},
    {"identity", RelayOp::ReadId},
    {"shift-full", RelayOp::ShiftFull},
    {"shift-empty", RelayOp::ShiftEmpty},
    {"set-full", RelayOp::DirectFull},
    {"set-empty", RelayOp::DirectEmpty},
    {"mode", RelayOp::SetMode},
    {"password-change", RelayOp::ChangePassword}};

CliParse parse_flash(const QStringList& a, Invocation inv) {
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!is_option(a[i])) {
            if (!inv.file.isEmpty())
                return usage_error(QStringLiteral("flash: unexpected argument '%1'").arg(a[i]));
            inv.file = a[i];
            continue;
        }
        const Option o = take_option(a, i, a[i] == u"--type");
        if (o.name == u"--type") {
            if (o.value != u"zorvik" && o.value != u"pelgar")
                return usage_error(QStringLiteral("flash: --type wants zorvik or pelgar"));
            inv.pelgar = o.value == u"pelgar";
        } else if (o.name == u"--reset-calibration" && !o.has_value) {
            inv.reset_calibration = true;
        } else if (o.name == u"--no-verify" && !o.has_value) {
            inv.verify = false;
        } else {
            return usage_error(QStringLiteral("flash: unknown option '%1'").arg(a[i]));
        }
    }
    if (inv.file.isEmpty()) return usage_error(QStringLiteral("flash: IMAGE is missing"));
    return run(inv);
}

CliParse parse_relay(const QStringList& a, Invocation inv) {
    if (a.isEmpty() || is_option(a[0]))
        return usage_error(QStringLiteral("relay: ENTRY is missing"));
    bool known = false;
    for (const auto& [name, op] : kRelayEntries)
        if (a[0] == QLatin1String(name)) {
            inv.relay_op = op;
            known = true;
        }
    if (!known) return usage_error(QStringLiteral("relay: unknown ENTRY '%1'").arg(a[0]));
    const RelayOp op = inv.relay_op;
    std::optional<QString> value;
    QStringList mode_options;
    for (qsizetype i = 1; i < a.size(); ++i) {
        if (!is_option(a[i]))
            return usage_error(QStringLiteral("relay: unexpected argument '%1'").arg(a[i]));
        const Option o = take_option(a, i, a[i] != u"--v176"); // every other option has a value
        if (o.name == u"--v176" && !o.has_value) {
            inv.v176 = true;
        } else if (o.name == u"--address") {
            const auto v = o.has_value ? number_in(o.value, 0, 255) : std::nullopt;
            if (!v) return usage_error(QStringLiteral("relay: --address wants 0 to 255"));
            inv.relay_address = uint8_t(*v);
        } else if (o.name == u"--value") {
            if (!o.has_value) return usage_error(QStringLiteral("relay: --value needs a value"));
            value = o.value;
        } else {
            // The mode options, checked by the mode command's own rules.
            mode_options << o.name;
            if (o.has_value) mode_options << o.value;
        }
    }
    if (!mode_options.isEmpty()) {
        if (op != RelayOp::SetMode)
            return usage_error(
                QStringLiteral("relay: mode options belong to ENTRY mode, not '%1'").arg(a[0]));
        CliParse m = parse_mode(mode_options, inv);
        if (m.outcome != CliParse::Outcome::Run) {
            m.text.replace(QStringLiteral("mode: "), QStringLiteral("relay mode: "));
            return m;
        }
        inv = m.invocation;
    }
    if (inv.mode.output == OutputInterface::Rs232)
        return usage_error(QStringLiteral("relay mode: the relay generator has no rs232"));
    if (inv.mode.thermal_compensation && !inv.v176)
        return usage_error(QStringLiteral("relay mode: --thermal-compensation needs --v176"));
    if (relay_takes_value(op) != value.has_value())
        return usage_error(value ? QStringLiteral("relay: %1 takes no --value").arg(a[0])
                                 : QStringLiteral("relay: %1 needs --value").arg(a[0]));
    const bool below_200 =
        op == RelayOp::ReadState || op == RelayOp::ShiftFull || op == RelayOp::ShiftEmpty;
    if (below_200 && inv.relay_address >= 200)
        return usage_error(QStringLiteral("relay: %1 wants an --address below 200").arg(a[0]));
    if (value) {
        const std::optional<int64_t> v = parse_whole_number(*value);
        if (!v) return bad_value(relay_range_message(op));
        inv.value = *v;
        inv.value_text = *value;
    }
    // The range checks are the request builders' own.
    if (!relay_string(relay_request(inv))) return bad_value(relay_range_message(op));
    return run(inv);
}

CliParse parse_profile_apply(const QStringList& a, Invocation inv) {
    const QString name = QStringLiteral("profile apply");
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!is_option(a[i])) {
            if (!inv.file.isEmpty())
                return usage_error(QStringLiteral("%1: unexpected argument '%2'").arg(name, a[i]));
            if (a[i].isEmpty()) return usage_error(QStringLiteral("%1: FILE is empty").arg(name));
            inv.file = a[i];
            continue;
        }
        const Option o = take_option(a, i, a[i] == u"--password");
        if (o.name == u"--dry-run" && !o.has_value) {
            inv.dry_run = true;
        } else if (o.name == u"--all" && !o.has_value) {
            inv.all = true;
        } else if (o.name == u"--password") {
            if (!o.has_value)
                return usage_error(QStringLiteral("%1: --password needs a value").arg(name));
            const OperationRules& r = rules_of(Operation::PasswordEnter);
            const auto v = number_in(o.value, r.min, r.max);
            if (!v) return bad_value(r.range_message);
            inv.password = *v;
            inv.password_text = o.value;
        } else {
            return usage_error(QStringLiteral("%1: unknown option '%2'").arg(name, a[i]));
        }
    }
    if (inv.file.isEmpty()) return usage_error(QStringLiteral("%1: FILE is missing").arg(name));
    return run(inv);
}

// A command with one number: in its operation's range, or that range's message.
CliParse with_value(const QStringList& a, Invocation inv, const QString& name,
                    const QString& what) {
    if (auto e = positional(a, 1, name, what)) return *e;
    inv.value_text = a[0];
    const OperationRules& r = rules_of(cli_operation(inv).value());
    const auto v = number_in(a[0], r.min, r.max);
    if (!v) return bad_value(r.range_message);
    inv.value = *v;
    return run(inv);
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
    case CliCommand::SetEmpty:
        if (a.size() == 1 && a[0] == u"current") {
            inv.value_text = a[0];
            inv.current = true;
            return run(inv);
        }
        return with_value(a, inv, name, QStringLiteral("'current' or a VALUE"));
    case CliCommand::ShiftFull:
    case CliCommand::ShiftEmpty:
        return with_value(a, inv, name, QStringLiteral("DELTA"));
    case CliCommand::Alarm:
        return with_value(a, inv, name, QStringLiteral("PERCENT"));
    case CliCommand::Address:
        return with_value(a, inv, name, QStringLiteral("NEW"));
    case CliCommand::PasswordEnter:
    case CliCommand::PasswordChange:
        return with_value(a, inv, name, QStringLiteral("N"));
    case CliCommand::Flash:
        return parse_flash(a, inv);
    case CliCommand::Relay:
        return parse_relay(a, inv);
    case CliCommand::Replay:
        if (auto e = positional(a, 1, name, QStringLiteral("LOGFILE"))) return *e;
        inv.file = a[0];
        return run(inv);
    case CliCommand::ProfileApply:
        return parse_profile_apply(a, inv);
    case CliCommand::TableFit:
    case CliCommand::TableExport:
    case CliCommand::TableImport:
        return parse_table_files(a, inv);
    case CliCommand::Diag:
    case CliCommand::Listen:
        return parse_line_command(c, a, inv);
    case CliCommand::CheckRefuel:
    case CliCommand::Report:
        return parse_certificate_args(a, inv);
    case CliCommand::ProfileSave:
    case CliCommand::ProfileShow:
    case CliCommand::ProfileDiff:
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
    for (const CliCommandInfo& c : kCliCommands) {
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
    if (first == u"password" || first == u"table" || first == u"profile") {
        const QString second = i + 1 < a.size() ? a[i + 1] : QString();
        if (second == u"--help" || second == u"-h" || second.isEmpty()) {
            *error = QStringLiteral("%1: say %2")
                         .arg(first, first == u"password" ? QStringLiteral("enter or change")
                                     : first == u"table"
                                         ? QStringLiteral("read, write, fit, export or import")
                                         : QStringLiteral("save, show, diff or "
                                                          "apply"));
        } else {
            *error = QStringLiteral("%1: unknown action '%2'").arg(first, second);
        }
        return std::nullopt;
    }
    *error = QStringLiteral("unknown command '%1'").arg(first);
    return std::nullopt;
}

} // namespace

bool needs_port(const Invocation& inv) {
    switch (inv.command) {
    case CliCommand::Relay:
    case CliCommand::Replay:
    case CliCommand::ProfileShow:
    case CliCommand::TableFit:
    case CliCommand::TableImport:
        return false;
    case CliCommand::TableExport:
        return inv.file == QString::fromUtf16(kSensorSource);
    case CliCommand::CheckRefuel:
        return false;
    case CliCommand::Report: // the sensor's facts only when a port is given
        return !inv.port.isEmpty();
    default:
        return true;
    }
}

RelayRequest relay_request(const Invocation& inv) {
    RelayRequest r;
    r.op = inv.relay_op;
    r.address = inv.relay_address;
    r.from_176 = inv.v176;
    r.value = inv.value;
    const ModeChange& m = inv.mode;
    r.mode.output = m.output.value_or(OutputInterface::Rs485);
    r.mode.invert = m.invert.value_or(false);
    r.mode.range4096 = m.range4096.value_or(false);
    r.mode.litres = m.litres.value_or(false);
    r.mode.percent = m.percent.value_or(false);
    // The generator's smoothing box and, for 1.7.6, its level slider.
    r.mode.smoothing = m.smoothing.value_or(0) != 0;
    r.extended.smoothing_level = uint8_t(m.smoothing.value_or(0));
    r.extended.thermal_compensation_off = !m.thermal_compensation.value_or(true);
    return r;
}

CliParse parse_cli(const QStringList& args) {
    Invocation inv;
    bool port_given = false;
    qsizetype i = 0;
    for (; i < args.size() && args[i].startsWith(u'-'); ++i) {
        const Option o = take_option(args, i, args[i] == u"--port" || args[i] == u"--address");
        if (o.name == u"--help" || o.name == u"-h") return help(cli_usage());
        if (o.name == u"--version") {
            CliParse p;
            p.outcome = CliParse::Outcome::Version;
            return p;
        }
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
            inv.addresses.push_back(inv.address);
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
    if (p.outcome == CliParse::Outcome::Run && needs_port(p.invocation) && !port_given)
        return usage_error(QStringLiteral("%1 talks to a sensor: give --port PATH (or --port demo)")
                               .arg(cli_command_name(*command)));
    // A network address that does not parse is bad input, never a device name.
    QString why;
    if (p.outcome == CliParse::Outcome::Run && needs_port(p.invocation) &&
        is_network_address(p.invocation.port) && !parse_network_address(p.invocation.port, &why))
        return bad_value(why);
    return p;
}

std::optional<Operation> cli_operation(const Invocation& inv) {
    switch (inv.command) {
    case CliCommand::SetFull:
        return inv.current ? Operation::SetFull : Operation::DirectFull;
    case CliCommand::SetEmpty:
        return inv.current ? Operation::SetEmpty : Operation::DirectEmpty;
    case CliCommand::ShiftFull:
        return Operation::ShiftFull;
    case CliCommand::ShiftEmpty:
        return Operation::ShiftEmpty;
    case CliCommand::Mode:
        return Operation::Mode;
    case CliCommand::Alarm:
        return Operation::Alarm;
    case CliCommand::Address:
        return Operation::Address;
    case CliCommand::PasswordEnter:
        return Operation::PasswordEnter;
    case CliCommand::PasswordChange:
        return Operation::PasswordChange;
    case CliCommand::Horizon:
        return Operation::Horizon;
    case CliCommand::TableRead:
        return Operation::TableRead;
    case CliCommand::TableWrite:
        return Operation::TableWrite;
    case CliCommand::TableExport: // of the sensor's table
        return Operation::TableRead;
    default:
        return std::nullopt;
    }
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
