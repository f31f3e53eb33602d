#pragma once
// zorvik-cli's commands by name, with the texts of --help and COMMAND --help.
#include "cli/cli_command_line.h"

#include <array>

struct CliCommandInfo {
    CliCommand command;
    const char* name; // as typed: one word, or two ("table read")
    const char* synopsis;
    const char* summary; // its line in --help
    const char* details;
};

// Every command, in the order --help lists them.
extern const std::array<CliCommandInfo, 29> kCliCommands;
