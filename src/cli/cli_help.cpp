#include "cli/cli_help.h"

const std::array<CliCommandInfo, 29> kCliCommands = {{
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

namespace {

const CliCommandInfo& info(CliCommand c) {
    for (const CliCommandInfo& i : kCliCommands)
        if (i.command == c) return i;
    return kCliCommands[0];
}

} // namespace

QString cli_command_name(CliCommand command) {
    return QString::fromLatin1(info(command).name);
}

QString cli_usage() {
    QString commands;
    for (const CliCommandInfo& c : kCliCommands)
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
    const CliCommandInfo& c = info(command);
    Invocation probe; // export talks to a sensor when its SOURCE is one
    probe.command = command;
    probe.file = QString::fromUtf16(kSensorSource);
    probe.port = QStringLiteral("PATH");
    const QString options =
        needs_port(probe) ? QStringLiteral("[--port PATH] [--address N] [--yes] ") : QString();
    return QStringLiteral("Usage: zorvik-cli %1%2\n\n%3")
        .arg(options, QString::fromUtf8(c.synopsis), QString::fromUtf8(c.details));
}
