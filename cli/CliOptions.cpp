#include "cli/CliOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <functional>
#include <map>

#include "cli/CliCommands.h"
#include "cli/CliHelp.h"
#include "cli/PortsList.h"
#include "serial/PortNames.h"
#include "switches/StatusFile.h"
#include "switches/Utf8Path.h"

namespace vemora {

namespace {

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

// The check of an option's value; it may put the value into the form its target takes. A value
// that begins with "-" is never taken: "-p --json check" lacks the port, and says so as `missing`.
CLI::Validator ValueRule(std::string missing, std::function<std::string(std::string&)> rule) {
    return CLI::Validator(
        [missing = std::move(missing), rule = std::move(rule)](std::string& value) {
            return value.starts_with('-') ? missing : rule(value);
        },
        "");
}

// A value from a fixed set, any case, put in the form its target takes.
CLI::Validator OneOf(std::map<std::string, std::string> accepted, std::string error) {
    return ValueRule(error, [accepted = std::move(accepted), error](std::string& v) {
        const auto found = accepted.find(Lower(v));
        if (found == accepted.end()) {
            return error;
        }
        v = found->second;
        return std::string();
    });
}

CLI::Validator FileRule(const std::string& option) {
    const std::string missing = option + " needs a file name";
    return ValueRule(missing, [missing](std::string& v) { return v.empty() ? missing : ""; });
}

std::string ItemList(Setting setting) {
    std::string list;
    int i = 0;
    for (const char* item : SettingItems(setting)) {
        list += "\n  " + std::to_string(i++) + "  " + item;
    }
    return list;
}

void AddLineOptions(CLI::App& app, CliOptions& o, std::vector<std::string>& portsFrom) {
    app.add_option("-p,--port", o.ports,
                   "the display's port: " + std::string(kPortNameForms) +
                       "\n(default COM1); again for more ports, all at once")
        ->type_name("NAME")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->transform(ValueRule("-p needs a port name", CheckPortName));
    app.add_option("--ports-from", portsFrom,
                   "also the ports in FILE, one a line (# comments and\n"
                   "blank lines are left out); may be given again")
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->transform(FileRule("--ports-from"));
    app.add_option("-b,--baud", o.line.baudRate, "9600 19200 38400 57600 115200 (default 9600)")
        ->type_name("N")
        ->transform(OneOf({{"9600", "9600"},
                           {"19200", "19200"},
                           {"38400", "38400"},
                           {"57600", "57600"},
                           {"115200", "115200"}},
                          "the baud rate is one of 9600 19200 38400 57600 115200"));
    app.add_option("-d,--data-bits", o.line.dataBits, "8 or 7 (default 8)")
        ->type_name("N")
        ->transform(OneOf({{"8", "8"}, {"7", "7"}}, "the data bits are 8 or 7"));
    app.add_option("--parity", o.line.parity, "none, odd or even (default none)")
        ->type_name("P")
        ->transform(
            OneOf({{"none", "0"}, {"odd", "1"}, {"even", "2"}}, "the parity is none, odd or even"));
    app.add_option("-m,--mode", o.mode, "escpos, korvant or others (default escpos)")
        ->type_name("M")
        ->transform(OneOf({{"escpos", "0"}, {"korvant", "1"}, {"others", "2"}},
                          "the mode is escpos, korvant or others"));
    app.add_flag("--keep-printers", o.keepPrinters,
                 "leave the local printers that use the port alone\n"
                 "(the port's lock is taken all the same)");
}

// What vemora-cli prints, and where.
void AddOutputOptions(CLI::App& app, CliOptions& o) {
    app.add_flag("--json", o.json, "one JSON document on stdout, also on failure");
    app.add_flag("--trace", o.trace,
                 "every byte written to and read from the port, in\n"
                 "hex, with the milliseconds since the start, on stderr");
    app.add_flag("--progress", o.progress,
                 "a line per port on stderr with the step it is at\n"
                 "(without it, only when stderr is a terminal)");
    app.add_flag("--quiet", o.quiet, "no progress lines");
}

// A command of vemora-cli: its own help is the command's help text; the list of commands takes its
// summary from the same table (CliHelpFormat).
CLI::App* AddCommand(CLI::App& app, const CommandEntry& entry) {
    CLI::App* command = app.add_subcommand(entry.name, entry.help);
    command->group("Commands")->fallthrough()->footer("");
    command->set_help_flag("-h,--help", "this text");
    command->set_help_all_flag();
    return command;
}

// chosen[s] is the index given for setting s, -1 when it was not given.
void AddSettingOptions(CLI::App* command, const std::vector<Setting>& settings,
                       SwitchSelections& chosen, bool required) {
    for (Setting setting : settings) {
        const std::string name = std::string("--") + RowOf(setting).option;
        const std::string takes =
            name + " takes one of these items (text or index):" + ItemList(setting);
        command
            ->add_option(name, chosen[setting],
                         std::string(SettingCaption(setting)) + ": the item's text or index")
            ->type_name("X")
            ->required(required)
            ->transform(ValueRule(takes, [setting, takes](std::string& v) {
                const auto index = FindSettingItem(setting, v);
                if (!index) {
                    return takes;
                }
                v = std::to_string(*index);
                return std::string();
            }));
    }
}

struct CommandLine {
    CLI::App app{"Configures a customer pole display on a serial line.", "vemora-cli"};
    std::map<const CLI::App*, CliCommand> commands;
    SwitchSelections chosen;
    std::string itemsOf;
    std::vector<std::string> portsFrom;
};

// What set and apply write: the switches of a status file, or those read, with the given settings.
void AddWriteOptions(CLI::App* command, CommandLine& line, CliOptions& o) {
    command->add_option("--load", o.loadFile, "a status file; its name must end in \"sts\"")
        ->type_name("FILE")
        ->transform(FileRule("--load"));
    AddSettingOptions(command, {kAllSettings.begin(), kAllSettings.end()}, line.chosen, false);
}

void AddSaveOption(CLI::App* get, CliOptions& o) {
    get->add_option("--save", o.saveFile,
                    "also keep them in a status file (\".sts\" is\n"
                    "appended unless the name ends in it); {port} in\n"
                    "the name stands for the port's base name\n"
                    "(ttyUSB0, COM3), which several ports need")
        ->type_name("FILE")
        ->transform(FileRule("--save"));
}

void AddItemsArgument(CLI::App* items, CommandLine& line) {
    std::map<std::string, std::string> settingNames;
    std::string names;  // "code-table, charset, ... or cursor"
    for (const SettingRow& row : kSettings) {
        settingNames[row.option] = row.option;
        names += (names.empty()               ? ""
                  : &row == &kSettings.back() ? " or "
                                              : ", ") +
                 std::string(row.option);
    }
    items->add_option("SETTING", line.itemsOf, names + "\n(default: all)")
        ->transform(OneOf(settingNames, "the setting is " + names));
}

void AddPrintersOptions(CLI::App* printers, CliOptions& o) {
    CLI::Option* restore = printers->add_flag(
        "--restore", o.restore, "give back the parked printers whose holders have\nall ended");
    printers
        ->add_option("--host", o.oldHostName,
                     "with --restore, also give back those held under\nNAME, this host's name "
                     "before it was renamed;\nsafe only when no run started under that name\n"
                     "can still be running")
        ->type_name("NAME")
        ->needs(restore);
}

// The options and arguments of one command.
void AddCommandOptions(CliCommand command, CLI::App* sub, CommandLine& line, CliOptions& o) {
    switch (command) {
        case CliCommand::Get:
            return AddSaveOption(sub, o);
        case CliCommand::Ports:
            sub->add_flag("--all", o.allPorts, "also the fixed names that have no device");
            return;
        case CliCommand::Set:
            return AddWriteOptions(sub, line, o);
        case CliCommand::Apply:
            sub->add_flag("--dry-run", o.dryRun,
                          "read and compare, say what would be written,\nwrite nothing");
            return AddWriteOptions(sub, line, o);
        case CliCommand::Direct:
            return AddSettingOptions(sub, {Setting::CodeTable, Setting::CharacterSet}, line.chosen,
                                     true);
        case CliCommand::Show:
            sub->add_option("FILE", o.showFile, "the status file")->required();
            return;
        case CliCommand::Items:
            return AddItemsArgument(sub, line);
        case CliCommand::Printers:
            return AddPrintersOptions(sub, o);
        default:
            return;
    }
}

// Every command of the table, named in the parsed line for Complete.
void AddCommands(CommandLine& line, CliOptions& o) {
    for (const CommandEntry& entry : kCommands) {
        CLI::App* sub = AddCommand(line.app, entry);
        line.commands[sub] = entry.command;
        AddCommandOptions(entry.command, sub, line, o);
    }
}

constexpr const char* kFooter = R"(Exit status:
  0  done
  1  the display refused or did not respond, or (apply) does not hold what
     was sent
  2  usage
  3  the port could not be configured, opened or written, or another program
     holds it
  4  a file could not be read or written, or has the wrong format
  5  a printer was left parked or not started again (also when the display work
     succeeded); for printers, the scheduler did not answer
  6  the output could not be written
  128+N  the run was ended by signal N

Examples:
  $ vemora-cli ports
  $ vemora-cli -p /dev/ttyUSB0 get --save shop.sts
  $ vemora-cli -p /dev/ttyUSB1 set --load shop.sts --brightness 60%
  $ vemora-cli --ports-from bench.txt --json apply --load shop.sts
  $ vemora-cli -p COM2 -m korvant direct --code-table Katakana --charset Japan
  $ vemora-cli -p '\\.\COM10' check
  $ vemora-cli --json show shop.sts)";

void DefineCommandLine(CommandLine& line, CliOptions& o) {
    CLI::App& app = line.app;
    // "/x" is a file name, never an option, on Windows too; subcommands inherit it.
    app.allow_windows_style_options(false);
    app.formatter(std::make_shared<CliHelpFormat>());
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.set_help_flag("-h,--help", "this text; COMMAND --help tells about one command");
    app.set_help_all_flag("--help-all", "this text and every command's");
    app.set_version_flag("-V,--version", "vemora-cli " VEMORA_VERSION,
                         "the program's name and version");
    app.require_subcommand(1);
    AddLineOptions(app, o, line.portsFrom);
    AddOutputOptions(app, o);
    AddCommands(line, o);
    app.footer(kFooter);
}

// The device a port name leads to, links followed, so that two names of one port meet.
std::string RealDevice(const std::string& port) {
    const std::filesystem::path device =
        std::filesystem::path(PortDevicePath(port)).lexically_normal();
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(device, error);
    return error ? device.string() : real.string();
}

// Two runs on one port would fight for it: the second would find it held by the first.
std::string SamePortTwice(const std::vector<std::string>& ports) {
    std::map<std::string, const std::string*> seen;
    for (const std::string& port : ports) {
        const auto [first, fresh] = seen.emplace(RealDevice(port), &port);
        if (fresh) {
            continue;
        }
        if (*first->second == port) {
            return "the port " + port + " is given twice";
        }
        return *first->second + " and " + port + " are the same port (" + first->first + ")";
    }
    return {};
}

// With several ports each saves to a file of its own, or one display's switches would be lost.
std::string SaveFilesApart(const CliOptions& o) {
    if (o.ports.size() < 2 || o.saveFile.empty()) {
        return {};
    }
    if (o.saveFile.find("{port}") == std::string::npos) {
        return "--save needs {port} in the file name to keep each port's switches apart";
    }
    std::map<std::string, const std::string*> owners;
    for (const std::string& port : o.ports) {
        const std::string file = Utf8Text(StatusSavePath(Utf8Path(ForPort(o, port).saveFile)));
        const auto [first, fresh] = owners.emplace(file, &port);
        if (!fresh) {
            return *first->second + " and " + port + " would both save to " + file +
                   " ({port} stands for the port's base name)";
        }
    }
    return {};
}

// The ports a command runs on: those of -p, then those of each --ports-from list in turn; COM1
// when none is given. `status` is set for a list that cannot be read.
std::string CompletePorts(const CommandLine& line, CliOptions& o, int& status) {
    for (const std::string& file : line.portsFrom) {
        ReadPorts read = ReadPortsFile(file);
        if (!read.error.empty()) {
            status = read.status;
            return read.error;
        }
        o.ports.insert(o.ports.end(), read.ports.begin(), read.ports.end());
    }
    o.portGiven = !o.ports.empty();
    if (!o.portGiven) {
        o.ports.push_back(o.line.portName);
    }
    o.line.portName = o.ports.front();
    if (std::string same = SamePortTwice(o.ports); !same.empty()) {
        return same;
    }
    return SaveFilesApart(o);
}

// What the parser cannot tell: which commands fit which emulation, and which ports to run on.
std::string Complete(const CommandLine& line, CliOptions& o, int& status) {
    o.command = line.commands.at(line.app.get_subcommands().front());
    for (Setting setting : kAllSettings) {
        if (const int index = line.chosen[setting]; index >= 0) {
            o.settings.push_back({setting, index});
        }
    }
    for (const SettingRow& row : kSettings) {
        if (line.itemsOf.empty() || line.itemsOf == row.option) {
            o.itemsOf.push_back(row.setting);
        }
    }
    const bool escPos = o.mode == EmulationMode::EscPos;
    const bool switches = o.command == CliCommand::Get || o.command == CliCommand::Set ||
                          o.command == CliCommand::Apply;
    if (switches && !escPos) {
        return "get, set and apply work on a display in the ESC/POS emulation (--mode escpos); "
               "use direct or info for the other modes";
    }
    if ((o.command == CliCommand::Direct || o.command == CliCommand::Info) && escPos) {
        return "direct and info work on a display in another emulation (--mode korvant or "
               "--mode others); use get and set for ESC/POS";
    }
    return CompletePorts(line, o, status);
}

}  // namespace

bool UsesPort(CliCommand command) {
    return EntryOf(command).usesPort;
}

CliOptions ForPort(const CliOptions& options, const std::string& port) {
    CliOptions one = options;
    one.line.portName = port;
    one.ports = {port};
    const std::string base = PortBaseName(port);
    for (std::size_t at = 0; (at = one.saveFile.find("{port}", at)) != std::string::npos;) {
        one.saveFile.replace(at, 6, base);
        at += base.size();
    }
    return one;
}

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

namespace {

// Arguments that stood where none was wanted; a port given as tio and picocom take it is pointed
// to -p.
std::string Unexpected(const std::string& argument, const std::string& what) {
    std::error_code error;
    const bool port = std::find(kFixedPortNames.begin(), kFixedPortNames.end(), argument) !=
                          kFixedPortNames.end() ||
                      (argument.starts_with('/') && std::filesystem::exists(argument, error));
    return (what + " \"" + argument + "\"") +
           (port ? "; a port is given with -p: vemora-cli -p " + argument + " COMMAND" : "");
}

// CLI11's words for a wrong line, in the tool's own.
std::string InOwnWords(const CLI::ParseError& error, const CLI::App& app) {
    const std::string what = error.what();
    const std::string after = what.substr(what.find(": ") + 2);
    if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
        return after;  // the value rules' words name the option themselves
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        return what.substr(0, what.find(':')) + " needs a value";
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        return Unexpected(after, "unexpected argument");
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr &&
        app.get_subcommands().empty()) {
        const auto rest = app.remaining();
        return rest.empty() ? "no command given" : Unexpected(rest.front(), "unknown command");
    }
    return what;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    CliOptions options;
    CommandLine line;
    DefineCommandLine(line, options);
    try {
        line.app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::CallForHelp&) {
        parsed.help = line.app.help();
        return parsed;
    } catch (const CLI::CallForAllHelp&) {
        parsed.help = line.app.help("", CLI::AppFormatMode::All);
        return parsed;
    } catch (const CLI::CallForVersion& version) {
        parsed.help = std::string(version.what()) + "\n";
        return parsed;
    } catch (const CLI::ParseError& error) {
        parsed.error = InOwnWords(error, line.app);
        if (!line.app.get_subcommands().empty()) {
            parsed.command = line.app.get_subcommands().front()->get_name();
        }
        return parsed;
    }
    parsed.error = Complete(line, options, parsed.errorStatus);
    if (parsed.error.empty()) {
        parsed.options = std::move(options);
    }
    return parsed;
}

}  // namespace vemora
