#include "cli/CliOptions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <map>

#include "serial/PortNames.h"

namespace vemora {

namespace {

constexpr const char* kUsage =
    R"(Usage: vemora-cli [options] COMMAND [args]
Configures a customer pole display on a serial line.

Options:
  -p, --port NAME      COM1 ... COM9, \\.\COM10 ... \\.\COM15, or a device path   (default COM1)
  -b, --baud N         9600 19200 38400 57600 115200                             (default 9600)
  -d, --data-bits N    8 or 7                                                   (default 8)
      --parity P       none, odd or even                                         (default none)
  -m, --mode M         escpos, korvant or others                                 (default escpos)
      --keep-printers  do not park the local printers that use the port
      --json           machine-readable output for ports, get and show
  -h, --help           this text; COMMAND --help tells about one command

Commands:
  ports                         the port names a user can choose, with descriptions
  check                         the connection check
  self-test                     check, then the self test
  get [--save FILE]             ESC/POS: check, Get Status, print the five settings
  set [--load FILE] [--code-table X] [--charset X] [--brightness X] [--peripheral X] [--cursor X]
                                ESC/POS: check, the image from FILE or from a Get Status, the
                                given settings applied (X: the item's text or its index), Set Status
  direct --code-table X --charset X   other modes: check, then the direct Set Status
  info                          other modes: check, then Show Information
  show FILE                     decode a status file; no port is used

Exit status: 0 done; 1 the display refused or did not respond; 2 usage; 3 the port could not be
configured, opened or written; 4 a file could not be read or written, or has the wrong format.
)";

struct CommandInfo {
    const char* name;
    CliCommand command;
    const char* help;
};

constexpr std::array<CommandInfo, 8> kCommands{{
    {"ports", CliCommand::Ports,
     "Usage: vemora-cli [--json] ports\nLists the port names a user can choose: the fifteen fixed "
     "names, then the serial devices found on this machine, each with a description.\n"},
    {"check", CliCommand::Check,
     "Usage: vemora-cli [options] check\nParks the printers on the port, opens it and checks that "
     "a display answers (in the ESC/POS emulation, that it is one of ours).\n"},
    {"self-test", CliCommand::SelfTest,
     "Usage: vemora-cli [options] self-test\nChecks the connection, then makes the display show "
     "its "
     "self test (ESC/POS) or its information (other modes).\n"},
    {"get", CliCommand::Get,
     "Usage: vemora-cli [options] get [--save FILE]\nESC/POS: checks the connection, reads the "
     "five "
     "memory switches and prints the settings.\n  --save FILE  also keep them in a status file "
     "(\".sts\" is appended unless the name ends in it)\n"},
    {"set", CliCommand::Set,
     "Usage: vemora-cli [options] set [--load FILE] [--code-table X] [--charset X] "
     "[--brightness X] [--peripheral X] [--cursor X]\nESC/POS: checks the connection, takes the "
     "switches from FILE or reads them from the display, applies the given settings and writes "
     "the five switches.\n  --load FILE  a status file; its name must end in \"sts\"\n  X is the "
     "item's text (as `get` prints it) or its index in the list, from 0.\n"},
    {"direct", CliCommand::Direct,
     "Usage: vemora-cli [options] --mode korvant|others direct --code-table X --charset X\nOther "
     "emulations: checks the connection, then sends the character set and the code table.\n  X "
     "is the item's text or its index in the list, from 0.\n"},
    {"info", CliCommand::Info,
     "Usage: vemora-cli [options] --mode korvant|others info\nOther emulations: checks the "
     "connection, then makes the display show its information.\n"},
    {"show", CliCommand::Show,
     "Usage: vemora-cli [--json] show FILE\nPrints the settings a status file holds; no port is "
     "used.\n"},
}};

const std::map<std::string, Setting> kSettingOptions{
    {"--code-table", Setting::CodeTable},  {"--charset", Setting::CharacterSet},
    {"--brightness", Setting::Brightness}, {"--peripheral", Setting::PeripheralDevice},
    {"--cursor", Setting::CursorMode},
};

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::optional<long> Number(const std::string& s) {
    long value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc{} || end != s.data() + s.size() || s.empty()) {
        return std::nullopt;
    }
    return value;
}

std::string ItemList(Setting setting) {
    std::string list;
    int i = 0;
    for (const char* item : SettingItems(setting)) {
        list += "\n  " + std::to_string(i++) + "  " + item;
    }
    return list;
}

// Reads the line; returns an error text, empty when the line is good.
std::string Parse(const std::vector<std::string>& args, CliOptions& o, std::string& help,
                  bool& helpAsked) {
    std::optional<CliCommand> command;
    std::vector<std::string> operands;
    bool directOnlyIsWrong = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (arg.starts_with("--") && arg.find('=') != std::string::npos) {
            inlineValue = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        if (arg == "-h" || arg == "--help") {
            helpAsked = true;
            continue;
        }
        if (arg == "--keep-printers" || arg == "--json") {
            (arg == "--json" ? o.json : o.keepPrinters) = true;
            continue;
        }
        if (arg == "-p" || arg == "--port") {
            const auto v = value();
            if (!v) {
                return arg + " needs a port name";
            }
            const bool fixed = std::find(kFixedPortNames.begin(), kFixedPortNames.end(), *v) !=
                               kFixedPortNames.end();
            if (!fixed && !v->starts_with("/")) {
                return "unknown port \"" + *v +
                       "\": give COM1 ... COM9, \\\\.\\COM10 ... \\\\.\\COM15 or a device path "
                       "such as /dev/ttyUSB0";
            }
            o.line.portName = *v;
            continue;
        }
        if (arg == "-b" || arg == "--baud") {
            const auto v = value();
            const auto n = v ? Number(*v) : std::nullopt;
            if (!n || (*n != 9600 && *n != 19200 && *n != 38400 && *n != 57600 && *n != 115200)) {
                return "the baud rate is one of 9600 19200 38400 57600 115200";
            }
            o.line.baudRate = static_cast<std::uint32_t>(*n);
            continue;
        }
        if (arg == "-d" || arg == "--data-bits") {
            const auto v = value();
            const auto n = v ? Number(*v) : std::nullopt;
            if (!n || (*n != 8 && *n != 7)) {
                return "the data bits are 8 or 7";
            }
            o.line.dataBits = static_cast<std::int32_t>(*n);
            continue;
        }
        if (arg == "--parity") {
            const auto v = value();
            const std::string p = v ? Lower(*v) : "";
            if (p != "none" && p != "odd" && p != "even") {
                return "the parity is none, odd or even";
            }
            o.line.parity = p == "none" ? 0 : p == "odd" ? 1 : 2;
            continue;
        }
        if (arg == "-m" || arg == "--mode") {
            const auto v = value();
            const std::string m = v ? Lower(*v) : "";
            if (m != "escpos" && m != "korvant" && m != "others") {
                return "the mode is escpos, korvant or others";
            }
            o.mode = m == "escpos"    ? EmulationMode::EscPos
                     : m == "korvant" ? EmulationMode::Korvant
                                      : EmulationMode::Others;
            continue;
        }
        if (arg == "--save" || arg == "--load") {
            const auto v = value();
            if (!v || v->empty()) {
                return arg + " needs a file name";
            }
            (arg == "--save" ? o.saveFile : o.loadFile) = *v;
            continue;
        }
        if (const auto s = kSettingOptions.find(arg); s != kSettingOptions.end()) {
            const auto v = value();
            const auto index = v ? FindSettingItem(s->second, *v) : std::nullopt;
            if (!index) {
                return arg + " takes one of these items (text or index):" + ItemList(s->second);
            }
            o.settings.push_back({s->second, *index});
            directOnlyIsWrong = directOnlyIsWrong || s->second == Setting::Brightness ||
                                s->second == Setting::PeripheralDevice ||
                                s->second == Setting::CursorMode;
            continue;
        }
        if (arg.starts_with("-") && arg.size() > 1) {
            return "unknown option " + arg;
        }
        if (!command) {
            const auto c = std::find_if(kCommands.begin(), kCommands.end(),
                                        [&](const CommandInfo& info) { return arg == info.name; });
            if (c == kCommands.end()) {
                return "unknown command \"" + arg + "\"";
            }
            command = c->command;
            continue;
        }
        operands.push_back(arg);
    }

    if (helpAsked) {
        help = kUsage;
        for (const CommandInfo& info : kCommands) {
            if (command && info.command == *command) {
                help = info.help;
            }
        }
        return {};
    }
    if (!command) {
        return "no command given";
    }
    o.command = *command;
    const bool escPos = o.mode == EmulationMode::EscPos;
    const bool takesSettings = o.command == CliCommand::Set || o.command == CliCommand::Direct;
    if (o.command == CliCommand::Show) {
        if (operands.size() != 1) {
            return "show takes one status file";
        }
        o.showFile = operands[0];
    } else if (!operands.empty()) {
        return "unexpected argument \"" + operands[0] + "\"";
    }
    if (!o.saveFile.empty() && o.command != CliCommand::Get) {
        return "--save belongs to get";
    }
    if (!o.loadFile.empty() && o.command != CliCommand::Set) {
        return "--load belongs to set";
    }
    if (!o.settings.empty() && !takesSettings) {
        return "settings belong to set and direct";
    }
    if ((o.command == CliCommand::Get || o.command == CliCommand::Set) && !escPos) {
        return "get and set work on a display in the ESC/POS emulation (--mode escpos); use "
               "direct or info for the other modes";
    }
    if ((o.command == CliCommand::Direct || o.command == CliCommand::Info) && escPos) {
        return "direct and info work on a display in another emulation (--mode korvant or "
               "--mode others); use get and set for ESC/POS";
    }
    if (o.command == CliCommand::Direct) {
        if (directOnlyIsWrong) {
            return "direct sends only --code-table and --charset";
        }
        const auto has = [&](Setting s) {
            return std::any_of(o.settings.begin(), o.settings.end(),
                               [s](const SettingChoice& c) { return c.setting == s; });
        };
        if (!has(Setting::CodeTable) || !has(Setting::CharacterSet)) {
            return "direct needs both --code-table and --charset";
        }
    }
    return {};
}

}  // namespace

std::optional<int> FindSettingItem(Setting setting, const std::string& given) {
    const auto items = SettingItems(setting);
    if (const auto n = Number(given)) {
        if (*n >= 0 && static_cast<std::size_t>(*n) < items.size()) {
            return static_cast<int>(*n);
        }
        return std::nullopt;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (Lower(items[i]) == Lower(given)) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    CliOptions options;
    bool helpAsked = false;
    parsed.error = Parse(args, options, parsed.help, helpAsked);
    if (parsed.error.empty() && !helpAsked) {
        parsed.options = std::move(options);
    }
    return parsed;
}

}  // namespace vemora
