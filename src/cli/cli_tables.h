#pragma once
// zorvik-cli table fit, export and import: the sensor's table fitted to a
// recording, and tables out to a fleet platform and back.
#include "cli/cli_command_line.h"
#include "cli/cli_runner.h"

#include <vector>

// The arguments of table fit, export and import (`inv.command` set).
CliParse parse_table_files(const QStringList& args, Invocation inv);

// table fit, import, and export of a file: no port, no run log.  Every input
// and the --out path are checked before anything is written.
int run_table_files(const Invocation& inv, CliConsole& console);

// Export's result, whole to --out or on stdout; the exit status.
int emit_platform_table(const Invocation& inv, const std::vector<TablePoint>& points,
                        CliConsole& console);
