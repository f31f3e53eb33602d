#include "cli/cli_command_line.h"
#include "cli/cli_certificate.h"
#include "cli/cli_options.h"
#include "cli/cli_tables.h"

#include "cli/cli_line.h"
#include "link/network_address.h"

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
const std::array<CommandInfo, 29> kCommands = {{
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
     "A missed answer is reported on stderr and the watch goes on.  A port that goes\n"
     "away (adapter pulled, gateway down) is waited for and opened again by the same\n"
     "name when it is back; no rows are written meanwhile.\n"
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
     "NEW only.  Refused, with nothing changed, when something already answers at NEW\n"
     "(two sensors at one address cannot be told apart).\n"},
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
    {CliCommand::TableFit, "table fit", "table fit RECORDING.trr [--out TABLE.zvk]",
     "fit the sensor's 20-point table to an auto-calibration recording",
     "Reads a recording of the auto-calibration (row;litres;level) and chooses the\n"
     "table's corners among its points, both ends included and at most 20, so that\n"
     "the largest litre error of interpolating between them is the smallest there\n"
     "is; the other points lie on the segments between corners.  Rows whose level is\n"
     "no number are skipped, of rows with one level the last is kept (named on\n"
     "stderr); a falling level is refused.  Prints the 20 points, point 0 first,\n"
     "\"READING LITRES\" a line (or writes them as a zvk file with --out), then\n"
     "\"max error E l (P % of V l) at level L\".  Needs no port.\n"},
    {CliCommand::TableExport, "table export",
     "table export SOURCE --format xy|csv|json|segments [--sep CHAR]\n"
     "     [--encoding utf-8|cp1251] [--out FILE]",
     "a table as fleet platforms take it",
     "SOURCE: a zvk file, a trr recording (every usable point) or 'sensor' (reads the\n"
     "table through --port and --address).  A zvk or sensor table starts with the\n"
     "window's fixed row 0 -> 0 when its point 0 reads above 0.\n"
     "  xy        READING<TAB>LITRES a line, no header\n"
     "  csv       a header reading;litres, then the rows; --sep sets the separator\n"
     "            (default ;, \\t for a tab), --encoding the text (default utf-8)\n"
     "  json      [{\"in\": READING, \"out\": LITRES}, ...]\n"
     "  segments  {\"x\": LOWER_READING, \"a\": A, \"b\": B} per segment, litres = A *\n"
     "            reading + B; a last {\"x\": TOP, \"a\": 0, \"b\": TOP_LITRES}\n"
     "Written to stdout, or whole to FILE with --out.\n"},
    {CliCommand::TableImport, "table import",
     "table import FILE --format xy|csv|json|segments "
     "[--out TABLE.zvk]",
     "a platform's table back into the sensor's 20 points",
     "Reads a table in one of the formats of table export (2 points or more, rising\n"
     "readings, litres not falling) and fits the sensor's 20 points to it as table\n"
     "fit does; a first point 0 -> 0 is the window's fixed row.  Prints the points\n"
     "and the max error, or writes a zvk file with --out.  Needs no port.\n"},
    {CliCommand::Flash, "flash",
     "flash IMAGE [--type zorvik|pelgar] [--reset-calibration] [--no-verify]",
     "upload firmware through the sensor's ROM bootloader",
     "Uploads the firmware image IMAGE (*.cri) through the microcontroller's ROM\n"
     "bootloader.  Switch the sensor's power off, start the command, then switch it on:\n"
     "the upload waits up to 60 s for the bootloader.  The image is checked whole\n"
     "before anything is sent.  Talks to the bootloader only (no identity is read).\n"
     "Progress goes to stderr, as a bar on a terminal; Ctrl+C cancels.\n"
     "  --type                 the sensor type's memory layout (default zorvik)\n"
     "  --reset-calibration    also erase and write the data memory (calibrations)\n"
     "  --no-verify            do not read the written blocks back\n"},
    {CliCommand::Relay, "relay", "relay ENTRY [--address N] [--value V] [--v176] [mode options]",
     "print a relay string for a telematics server",
     "Prints the relay string (\"S485=...\") that makes a telematics terminal send the\n"
     "request to a remote sensor.  Needs no port; nothing is sent.\n"
     "ENTRY: password-enter, state, identity, shift-full, shift-empty, set-full,\n"
     "       set-empty, mode, password-change\n"
     "  --address N   the remote sensor's network address, 0 to 255 (default 1; state,\n"
     "                shift-full and shift-empty below 200)\n"
     "  --value V     the password, shift or level of the entries that take one\n"
     "  --v176        the remote sensor runs firmware 1.7.6 or later\n"
     "  mode options  for ENTRY mode, as for the mode command (no rs232; options not\n"
     "                given are off; --thermal-compensation needs --v176)\n"},
    {CliCommand::Replay, "replay", "replay LOGFILE",
     "show the sensor answers in a telematics server's log",
     "Reads a server log (its first line is a heading) and prints one line per sensor\n"
     "answer found in it: a state answer as a watch row (without the time), any other\n"
     "answer as the configurator's status text for it.  Needs no port.  A log that\n"
     "cannot be read or holds an answer that is no hexadecimal is refused as a whole.\n"},
    {CliCommand::ProfileSave, "profile save", "profile save FILE",
     "save the sensor's whole setup to a profile (JSON)",
     "Reads identity, state and (firmware 1.7.0 and up) the calibration table, and\n"
     "saves them as a profile: a JSON file written whole or not at all.  Sends no\n"
     "changing request.\n"},
    {CliCommand::ProfileShow, "profile show", "profile show FILE", "print a profile in words",
     "Prints the profile FILE, a field a line.  Needs no port.\n"},
    {CliCommand::ProfileDiff, "profile diff", "profile diff FILE",
     "compare the sensor with a profile",
     "Reads the sensor and prints one line per field that differs from the profile\n"
     "(\"full: 114000 -> 118000\"; the table as one line naming the rows).\n"
     "Exit status 0 when equal (\"no differences\"), 3 when they differ, 1 when the\n"
     "sensor does not answer.\n"},
    {CliCommand::ProfileApply, "profile apply",
     "profile apply FILE [--dry-run] [--password N] [--all]",
     "make the sensor (or every sensor) equal to a profile",
     "Reads the sensor and writes only the fields that differ, each as the window's\n"
     "own operation: empty and full by value, the mode with its extended byte, the\n"
     "alarm level, the table; each waits for its confirmation.  Then reads the sensor\n"
     "again: status 0 only when it now equals the profile.  Shows the changes and\n"
     "asks once (--yes answers).  A field the sensor's firmware lacks is refused with\n"
     "status 2 before any change; a bad FILE before the port is opened.\n"
     "  --dry-run      print what would change; ask nothing, send no change\n"
     "  --password N   present the password N before the first write\n"
     "  --all          search the line and apply to every sensor found, in turn; one\n"
     "                 line each: \"ADDRESS: applied\", \"ADDRESS: unchanged\" or\n"
     "                 \"ADDRESS: refused: REASON\"; status 0 when all end equal\n"},
    {CliCommand::Diag, "diag", "diag [--count C]", "what is wrong on the line, per address",
     "Asks the state of each address given by --address (it may be repeated), or of\n"
     "every address a network scan finds, C times (default 100), one request as soon\n"
     "as the previous one is answered, and prints one line an address:\n"
     "  ADDRESS sent=S answered=A silent=N badcrc=B other=O p50=X.X p95=X.X max=X.X\n"
     "(the reply latency in ms: median, 95th percentile and longest), then one line\n"
     "per conclusion, each starting \"hint: \"; none on a clean line.  Status 0 when\n"
     "every address answered at least 99 % of the time without a bad CRC, 3 when it\n"
     "did worse, 1 when nothing answered at all.\n"
     "  --count C   requests an address, 1 to 100000\n"},
    {CliCommand::Listen, "listen", "listen [--seconds S] [--count C] [--pcap FILE]",
     "watch a line another master polls, never sending",
     "Opens the port and never writes a byte.  Prints one line a frame found on the\n"
     "line (by its structure and CRC-8):\n"
     "  HH:MM:SS.mmm  HEX  DESCRIPTION\n"
     "bytes that make no frame are printed the same way as \"шум\".  Ends after S\n"
     "seconds, after C frames, or on Ctrl+C (status 0).\n"
     "  --pcap FILE   also save the frames as a pcap file (link type USER0, one packet\n"
     "                a frame) for Wireshark; written whole when the listening ends\n"},
    {CliCommand::CheckRefuel, "check-refuel",
     "check-refuel --table TABLE.zvk --before LEVEL --after LEVEL --litres N\n"
     "     [--tolerance PCT]",
     "a control refuelling against a table",
     "Converts the levels before and after a refuelling into litres by the table as the\n"
     "sensor does (straight lines between points, the fixed row 0 -> 0 below point 0,\n"
     "the top litres above point 19) and compares the change with the N litres put in:\n"
     "  predicted X.X l, added N l, difference D.D l (P.P %): годно|не годно\n"
     "D is predicted minus added, P that in % of the table's largest litres; годно\n"
     "when P is within the tolerance (default 2 %, the boundary included).  Needs no\n"
     "port.  Exit status 0 within the tolerance, 3 outside it, 2 bad input.\n"},
    {CliCommand::Report, "report",
     "report --recording FILE.trr [--table TABLE.zvk] [--customer TEXT]\n"
     "     [--vehicle TEXT] [--tank TEXT] [--engineer TEXT]\n"
     "     [--before LEVEL --after LEVEL --litres N [--tolerance PCT]] --out FILE.pdf",
     "the calibration certificate for the customer, as a PDF",
     "Writes the calibration certificate (A4, searchable text): the people and the\n"
     "vehicle, the sensor, the table with a plot and its error against every row of\n"
     "the recording, the control refuelling (--before, --after, --litres as for\n"
     "check-refuel), lines for two signatures, and on every page the SHA-256 of the\n"
     "recording and of the table (as its zvk file).  With --port it reads the\n"
     "sensor's serial number, firmware, settings and table first; without one the\n"
     "sensor's lines are \"—\".  The table is --table, else the sensor's, else the one\n"
     "table fit makes of the recording.  FILE.pdf is written whole or not at all.\n"},
}};

const CommandInfo& info(CliCommand c) {
    for (const CommandInfo& i : kCommands)
        if (i.command == c) return i;
    return kCommands[0];
}

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
               "                  addresses 1, 5 and 12), or a serial device server:\n"
               "                  tcp://HOST:PORT (raw TCP) or rfc2217://HOST:PORT (telnet\n"
               "                  with RFC 2217; the far port is set to 19200 8N1); an IPv6\n"
               "                  HOST goes in brackets, as in tcp://[::1]:4001\n"
               "  --address N     the sensor's network address, 0 to 255 (default 0)\n"
               "  --yes           answer yes to the question an operation asks first;\n"
               "                  without it the question is asked on the terminal (no ends\n"
               "                  with status 1, nothing sent), and with no terminal the\n"
               "                  operation is refused\n"
               "  --lang ru|en    the language of messages (default: Russian for a Russian\n"
               "                  locale, English otherwise)\n"
               "  --help          this text; COMMAND --help tells about one command\n"
               "  --version       the program's name and version\n"
               "\n"
               "Commands:\n"
               "%1"
               "\n"
               "Every command that talks to a sensor first reads its identity and state\n"
               "(scan excepted), so that requests carry what its firmware expects; flash\n"
               "talks to the bootloader only; relay and replay need no port.  Results go to\n"
               "stdout, messages to stderr in the configurator's own words.\n"
               "\n"
               "Exit status: 0 done and confirmed by the sensor; 1 no answer, refused by the\n"
               "sensor (wrong password, frequency mode, firmware too old) or failed; 2 bad\n"
               "usage or bad input, and then nothing at all has been sent; 3 from profile\n"
               "diff: the sensor differs from the profile, and from check-refuel: outside\n"
               "the tolerance.\n"
               "\n"
               "Run log: one file per run, named after the start time (a second run in the\n"
               "same second gets \"_2\" added), written as the window writes it.\n"
               "Folder: $%2 when set; for an installed copy \"log\" in the user's data\n"
               "folder (~/.local/share/zorvik/log); otherwise \"log\" beside the program\n"
               "when that can be written, else the user's data folder.  A run refused\n"
               "before the port is opened writes no log, nor do relay and replay.\n")
        .arg(commands, QLatin1String(kLogDirVariable));
}

QString cli_command_help(CliCommand command) {
    const CommandInfo& c = info(command);
    Invocation probe; // export talks to a sensor when its SOURCE is one
    probe.command = command;
    probe.file = QString::fromUtf16(kSensorSource);
    probe.port = QStringLiteral("PATH");
    const QString options =
        needs_port(probe) ? QStringLiteral("[--port PATH] [--address N] [--yes] ") : QString();
    return QStringLiteral("Usage: zorvik-cli %1%2\n\n%3")
        .arg(options, QString::fromLatin1(c.synopsis), QString::fromLatin1(c.details));
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
