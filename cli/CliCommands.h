#pragma once
// The commands of vemora-cli, each told once: its name, what the list of commands and its own
// help say of it, whether it works on a display, and what runs it.

#include <array>
#include <string_view>

#include "cli/CliOptions.h"

namespace vemora {

struct CommandRun;  // what a command's run works with (cli/CliRun.cpp)

struct CommandEntry {
    CliCommand command;
    const char* name;
    const char* summary;  // its line in the list of commands
    const char* help;     // its own help, and its part of the manual page
    bool usesPort;
    int (*run)(CommandRun& run);  // null for printers, which main runs: it needs no display
};

extern const std::array<CommandEntry, 11> kCommands;

const CommandEntry& EntryOf(CliCommand command);

// The command of that name; null when there is none.
const CommandEntry* FindCommand(std::string_view name);

}  // namespace vemora
