#pragma once
// zorvik-cli diag and listen: what the line does, without a window.
#include "cli/cli_command_line.h"
#include "cli/cli_runner.h"

// The options of diag and listen (`a` after the command's name).
CliParse parse_line_command(CliCommand command, const QStringList& a, Invocation inv);

// diag: the counts and conclusions of each address.
int run_diag(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
             const std::function<QString()>& log_folder);
// listen: the frames another master and its sensors exchange; never writes.
int run_listen(const Invocation& inv, CliLine line, CliConsole& console, const Clock& clock,
               const std::function<QString()>& log_folder);
