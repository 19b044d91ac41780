#pragma once
// The command line of vemora-cli.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "flows/ConnectionCheck.h"
#include "switches/SettingLists.h"

namespace vemora {

enum class CliCommand {
    Ports,
    Check,
    SelfTest,
    Get,
    Set,
    Apply,
    Direct,
    Info,
    Show,
    Items,
    Printers
};

struct SettingChoice {
    Setting setting;
    int index;
};

struct CliOptions {
    CliCommand command = CliCommand::Check;
    LineSettings line;               // line.portName: the first of `ports`
    std::vector<std::string> ports;  // every port the command runs on, at once
    EmulationMode mode = EmulationMode::EscPos;
    bool keepPrinters = false;
    bool portGiven = false;   // -p was given
    bool restore = false;     // printers --restore
    std::string oldHostName;  // printers --restore --host NAME
    bool json = false;
    bool trace = false;                   // every byte on the port, on stderr
    bool progress = false;                // --progress: progress lines also when not a terminal
    bool quiet = false;                   // --quiet: no progress lines
    bool dryRun = false;                  // apply --dry-run
    bool allPorts = false;                // ports --all
    std::string saveFile;                 // get --save; "{port}" stands for the port's base name
    std::string loadFile;                 // set and apply --load
    std::string showFile;                 // show FILE
    std::vector<SettingChoice> settings;  // set, apply and direct, in the order of kAllSettings
    std::vector<Setting> itemsOf;         // items [SETTING]: the one asked for, or all
};

struct ParsedCommandLine {
    std::optional<CliOptions> options;  // empty when help was asked for or the line is wrong
    std::string help;                   // text for stdout (help or version)
    std::string error;                  // what is wrong, for stderr
    int errorStatus = 2;                // the exit status for `error`: 2 usage, 4 a ports list
    std::string command;                // the command whose help a usage error points to
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// True for the commands that work on a display (and so on each port given).
bool UsesPort(CliCommand command);

// The options of one port's run out of a run on several: its port, and its own file to save to.
CliOptions ForPort(const CliOptions& options, const std::string& port);

// The index of a list item given as its text (any case) or its index; empty when neither.
std::optional<int> FindSettingItem(Setting setting, const std::string& given);

}  // namespace vemora
