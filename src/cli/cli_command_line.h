#pragma once
// zorvik-cli [--port PATH] [--address N] [--yes] COMMAND [ARGS...]
//
// Everything a user typed is checked here, before any port is opened: a
// command that parses is one the runner can carry out without asking again.
#include "cli/cli_report_options.h"
#include "commands/operations.h"
#include "protocol/mode_byte.h"
#include "protocol/platform_table.h"
#include "protocol/relay_string.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

enum class CliCommand {
    Scan,
    Info,
    Watch,
    SetFull,
    SetEmpty,
    ShiftFull,
    ShiftEmpty,
    Mode,
    Alarm,
    Address,
    PasswordEnter,
    PasswordChange,
    Horizon,
    TableRead,
    TableWrite,
    TableFit,
    TableExport,
    TableImport,
    Flash,
    Relay,
    Replay,
    ProfileSave,
    ProfileShow,
    ProfileDiff,
    ProfileApply,
    Diag,
    Listen,
    CheckRefuel,
    Report,
};

// The mode options given; what is not given keeps the sensor's present value.
struct ModeChange {
    std::optional<OutputInterface> output;
    std::optional<bool> invert;
    std::optional<bool> range4096;
    std::optional<bool> litres;
    std::optional<bool> percent;
    std::optional<int> smoothing; // 0..15
    std::optional<bool> thermal_compensation;
    bool operator==(const ModeChange&) const = default;
};

struct Invocation {
    QString port;
    uint8_t address = 0;
    std::vector<uint8_t> addresses; // every --address given, in order (diag)
    bool yes = false;
    CliCommand command = CliCommand::Scan;
    bool current = false; // set-full / set-empty current: the present reading
    int64_t value = 0;    // the command's number
    QString value_text;   // that number as typed, for the run log
    ModeChange mode;
    QString file;    // table read / table write, the image, the server log
    int count = 0;   // watch: rows before it ends, 0 for no end; diag: requests an
                     // address; listen: frames
    int seconds = 0; // listen: how long, 0 for no end

    // flash
    bool pelgar = false; // the sensor type's memory layout
    bool reset_calibration = false;
    bool verify = true;

    // profile apply
    bool dry_run = false;
    bool all = false;                // every sensor the scan finds
    std::optional<int64_t> password; // entered before the first write
    QString password_text;           // as typed, for the run log

    // table fit, export, import: FILE is the source (export: also "sensor")
    QString out; // --out: the file written instead of stdout
    PlatformFormat format = PlatformFormat::Xy;
    PlatformText text; // --sep, --encoding

    // check-refuel (its --table in `file`), report (--out in `out`)
    ReportArgs report;

    // relay (its number goes in `value`)
    RelayOp relay_op = RelayOp::ReadState;
    uint8_t relay_address = 1;
    bool v176 = false;
};

// The sensor operation a command carries out (set-full with 'current' takes
// the present reading, with a value enters it); none for the others.
std::optional<Operation> cli_operation(const Invocation& inv);

// Whether the run talks through --port: all but relay, replay, profile show,
// table fit and import, and table export of a file (flash talks to the
// bootloader only).
bool needs_port(const Invocation& inv);
// table export's SOURCE that reads the sensor's table.
inline constexpr char16_t kSensorSource[] = u"sensor";

// The relay generator's request for a relay invocation; options not given are off.
RelayRequest relay_request(const Invocation& inv);

struct CliParse {
    enum class Outcome { Run, Help, Version, UsageError, BadValue };
    Outcome outcome = Outcome::UsageError;
    Invocation invocation; // Run
    // Help: the text for stdout.  UsageError: what is wrong (the caller adds
    // the hint).  BadValue: the program's own message for the value.
    QString text;
    // UsageError within a command: that command, for the hint to its --help.
    std::optional<CliCommand> command;
};

// `args` without the program name.
CliParse parse_cli(const QStringList& args);
// A parse that ends in a usage error, or in a value refused, with `text`.
CliParse usage_error(const QString& text);
CliParse bad_value(const QString& text);

// The text of --help, and of COMMAND --help.
QString cli_usage();
QString cli_command_help(CliCommand command);

// The command's name as typed ("set-full", "table write").
QString cli_command_name(CliCommand command);

// Exit statuses.
inline constexpr int kCliDone = 0;
inline constexpr int kCliFailed = 1;
inline constexpr int kCliBadInput = 2;

// What a run cut short by a stop signal says, on stderr and in its log.
inline constexpr char kCliInterrupted[] = QT_TRANSLATE_NOOP("Messages", "Прервано");

// Where the run log goes: the folder named by this environment variable, when
// set; otherwise as the window chooses (RunLog::choose_folder).
inline constexpr char kLogDirVariable[] = "ZORVIK_LOG_DIR";
