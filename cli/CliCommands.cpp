#include "cli/CliCommands.h"

#include <algorithm>

#include "cli/CliRun.h"

namespace vemora {

// Each command's own help, which is also its part of the manual page.
constexpr const char* kPortsHelp =
    "Lists the serial ports found on this machine (a USB adapter by its\n"
    "/dev/serial/by-id link), each with a description; --all lists the\n"
    "fifteen fixed names first, whether a device is behind them or not.";

constexpr const char* kCheckHelp =
    "Parks the printers on the port, opens it and checks that a display answers\n"
    "(in the ESC/POS emulation, that it is one of ours).";

constexpr const char* kSelfTestHelp =
    "Checks the connection, then makes the display show its self test (ESC/POS)\n"
    "or its information (other modes).";

constexpr const char* kGetHelp =
    "ESC/POS: checks the connection, reads the five memory switches and prints\nthe settings.";

constexpr const char* kSetHelp =
    "ESC/POS: checks the connection, takes the switches from FILE or reads them\n"
    "from the display, applies the given settings and writes the five switches.\n"
    "X is the item's text (as get prints it) or its index in the list, from 0;\n"
    "`vemora-cli items` lists them.";

constexpr const char* kApplyHelp =
    "ESC/POS: checks the connection, reads the five memory switches, makes the\n"
    "wanted switches (from FILE, or the ones read with the given settings\n"
    "applied) and, only where they differ from what the display holds, writes\n"
    "them and reads them back. Prints \"Unchanged.\" or \"Changed.\"; exit status 1\n"
    "when the display does not hold what was sent. --dry-run reads and compares\n"
    "the same way and writes nothing.";

constexpr const char* kDirectHelp =
    "Other emulations (--mode korvant or others): checks the connection, then\n"
    "sends the character set and the code table.\n"
    "X is the item's text or its index in the list, from 0; `vemora-cli items`\n"
    "lists them.";

constexpr const char* kInfoHelp =
    "Other emulations (--mode korvant or others): checks the connection, then makes\n"
    "the display show its information.";

constexpr const char* kShowHelp = "Prints the settings a status file holds; no port is used.";

constexpr const char* kItemsHelp =
    "Prints the items each setting takes, with their indexes; no port is used.";

constexpr const char* kPrintersHelp =
    "Lists the printers on the port given with -p, or without -p every printer\n"
    "parked by Vemora, with its state and its holders.";

const std::array<CommandEntry, 11> kCommands{{
    {CliCommand::Ports, "ports", "the serial ports of this machine", kPortsHelp, false, RunPorts},
    {CliCommand::Check, "check", "the connection check", kCheckHelp, true, RunCheck},
    {CliCommand::SelfTest, "self-test", "check, then the self test", kSelfTestHelp, true,
     RunSelfTestCommand},
    {CliCommand::Get, "get", "ESC/POS: check, then read the five settings", kGetHelp, true, RunGet},
    {CliCommand::Set, "set",
     "ESC/POS: check, then write the switches from FILE\nor those read, with the given "
     "settings",
     kSetHelp, true, RunSet},
    {CliCommand::Apply, "apply",
     "ESC/POS: like set, but writes only a display that\nholds something else, and reads it "
     "back",
     kApplyHelp, true, RunApply},
    {CliCommand::Direct, "direct", "other modes: check, then the direct Set Status", kDirectHelp,
     true, RunDirect},
    {CliCommand::Info, "info", "other modes: check, then Show Information", kInfoHelp, true,
     RunInfo},
    {CliCommand::Show, "show", "decode a status file; no port is used", kShowHelp, false, RunShow},
    {CliCommand::Items, "items", "the items each setting takes, with their indexes", kItemsHelp,
     false, RunItems},
    {CliCommand::Printers, "printers",
     "the printers on the port (-p) or every parked\nprinter, with their holders", kPrintersHelp,
     false, nullptr},
}};

const CommandEntry& EntryOf(CliCommand command) {
    return *std::find_if(kCommands.begin(), kCommands.end(),
                         [command](const CommandEntry& entry) { return entry.command == command; });
}

const CommandEntry* FindCommand(std::string_view name) {
    const auto found =
        std::find_if(kCommands.begin(), kCommands.end(),
                     [name](const CommandEntry& entry) { return entry.name == name; });
    return found == kCommands.end() ? nullptr : &*found;
}

}  // namespace vemora
