#pragma once
// The command line of vemora-cli.

#include <optional>
#include <string>
#include <vector>

#include "flows/ConnectionCheck.h"
#include "switches/SettingLists.h"

namespace vemora {

enum class CliCommand { Ports, Check, SelfTest, Get, Set, Direct, Info, Show };

struct SettingChoice {
    Setting setting;
    int index;
};

struct CliOptions {
    CliCommand command = CliCommand::Check;
    LineSettings line;
    EmulationMode mode = EmulationMode::EscPos;
    bool keepPrinters = false;
    bool json = false;
    std::string saveFile;                 // get --save
    std::string loadFile;                 // set --load
    std::string showFile;                 // show FILE
    std::vector<SettingChoice> settings;  // set and direct, in the order given
};

struct ParsedCommandLine {
    std::optional<CliOptions> options;  // empty when help was asked for or the line is wrong
    std::string help;                   // text for stdout
    std::string error;                  // what is wrong, for stderr (exit 2)
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The index of a list item given as its text (any case) or its index; empty when neither.
std::optional<int> FindSettingItem(Setting setting, const std::string& given);

}  // namespace vemora
