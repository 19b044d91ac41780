#include "cli/CliRun.h"
#include "cli/CliJson.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>

#include "flows/ApplyConfiguration.h"
#include "flows/DirectCommands.h"
#include "flows/SwitchExchange.h"
#include "switches/StatusFile.h"

namespace vemora {

namespace {

nlohmann::ordered_json TextOrNull(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

// The five settings and the cells of a switch image, as JSON.
nlohmann::ordered_json SettingsJson(const SwitchImage& image) {
    const SwitchSelections selections = image.ComputeSelections();
    nlohmann::ordered_json settings = nlohmann::ordered_json::object();
    for (Setting setting : kAllSettings) {
        const std::int32_t index = selections.*SelectionMember(setting);
        const char* item = SettingItem(setting, index);
        settings[NamesOf(setting).json] = {{"index", index},
                                           {"item", TextOrNull(item ? item : "")}};
    }
    nlohmann::ordered_json cells = nlohmann::ordered_json::array();
    for (int bank = 1; bank <= kBankCount; ++bank) {
        cells.push_back(image.Bank(bank).cells);
    }
    return {{"settings", settings}, {"cells", cells}};
}

// The five settings, as lines or as JSON; the JSON of a status file also names it.
void PrintSettings(const SwitchImage& image, bool json, std::ostream& out,
                   const std::string& file = {}) {
    if (json) {
        nlohmann::ordered_json document = SettingsJson(image);
        if (!file.empty()) {
            document["file"] = file;
        }
        PrintJson(document, out);
        return;
    }
    const SwitchSelections selections = image.ComputeSelections();
    for (Setting setting : kAllSettings) {
        const std::int32_t index = selections.*SelectionMember(setting);
        const char* item = SettingItem(setting, index);
        out << SettingCaption(setting) << ": "
            << (item ? std::string(item) : "no item (index " + std::to_string(index) + ")") << "\n";
    }
}

void PrintPorts(const std::vector<PortChoice>& ports, bool json, std::ostream& out) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const PortChoice& port : ports) {
        if (!json) {
            out << port.name << "\t" << port.description << "\n";
        }
        list.push_back({{"name", port.name},
                        {"description", port.description},
                        {"device", port.device},
                        {"byIdLink", TextOrNull(port.byIdLink)},
                        {"usbId", TextOrNull(port.usbId)}});
    }
    if (json) {
        PrintJson(list, out);
    }
}

// Each setting's items: "INDEX<tab>ITEM" lines under the option that takes them, or JSON.
void PrintItems(const std::vector<Setting>& settings, bool json, std::ostream& out) {
    nlohmann::ordered_json lists = nlohmann::ordered_json::object();
    for (Setting setting : settings) {
        const auto items = SettingItems(setting);
        lists[NamesOf(setting).json] = std::vector<std::string>(items.begin(), items.end());
        if (!json && settings.size() > 1) {
            out << "--" << NamesOf(setting).option << " (" << SettingCaption(setting) << "):\n";
        }
        for (std::size_t i = 0; i < items.size() && !json; ++i) {
            out << i << "\t" << items[i] << "\n";
        }
    }
    if (json) {
        PrintJson(lists, out);
    }
}

// Says what an outcome means, success on stdout (stderr when stdout carries JSON), failures on
// stderr; returns the exit status.
class Reporter {
  public:
    Reporter(CliEnvironment& env, bool json) : env_(env), json_(json) {}

    int Report(Outcome outcome) {
        const Message message = MessageFor(outcome);
        if (!message.text.empty()) {
            (IsSuccess(outcome) && !json_ ? env_.out : env_.err) << message.text << "\n";
        }
        if (!message.detail.empty()) {
            env_.err << message.detail << "\n";
        }
        if (outcome == Outcome::OpenFailed) {
            env_.err << DescribeOpenError(env_.channel.LastOpenError()) << "\n";
        }
        return ExitStatusFor(outcome);
    }
    int ReportFile(const FileResult& result, bool saving) {
        const Outcome outcome = FileOutcomeOf(result);
        if (outcome == Outcome::FileFailed) {
            env_.err << DescribeFileFailure(result, saving) << "\n";
            return ExitStatusFor(outcome);
        }
        if (outcome == Outcome::WrongFormat) {
            Report(outcome);
            env_.err << result.path.string() << ": " << result.reason << "\n";
        }
        return ExitStatusFor(outcome);
    }

  private:
    CliEnvironment& env_;
    bool json_;
};

// The image a set starts from, from a status file; 0 when it loaded, else the exit status.
int LoadForSet(const std::string& file, SwitchImage& image, Reporter& reporter) {
    if (const FileResult name = CheckStatusLoadName(file); !name.ok()) {
        return reporter.ReportFile(name, false);
    }
    return reporter.ReportFile(LoadStatusFile(file, image), false);
}

// What apply found and did; the JSON is printed whenever the display could be read, and says
// `changed` once a write went out, also when the read-back then failed.
int ReportApply(const CliOptions& o, const ApplyResult& result, Reporter& reporter,
                CliEnvironment& env) {
    const bool afterKnown = result.outcome == Outcome::Unchanged ||
                            result.outcome == Outcome::Changed ||
                            result.outcome == Outcome::NotHeld;
    if (o.json && env.work.Read()) {
        PrintJson({{"port", o.line.portName},
                   {"changed", result.changed || env.work.Written()},
                   {"verified", result.verified},
                   {"before", SettingsJson(result.before)},
                   {"after", afterKnown ? SettingsJson(result.after) : nlohmann::ordered_json()}},
                  env.out);
    }
    return reporter.Report(result.outcome);
}

// The settings given on the command line, over the image a set or apply starts from.
void ApplySettings(const CliOptions& o, SwitchImage& image) {
    for (const SettingChoice& c : o.settings) {
        ApplySetting(image, c.setting, c.index);
    }
}

// The commands that use no port; nothing for the others.
std::optional<int> RunWithoutPort(const CliOptions& o, CliEnvironment& env, Reporter& reporter) {
    switch (o.command) {
        case CliCommand::Ports:
            PrintPorts(env.listPorts(), o.json, env.out);
            return 0;
        case CliCommand::Items:
            PrintItems(o.itemsOf, o.json, env.out);
            return 0;
        case CliCommand::Show: {
            SwitchImage image;
            const FileResult loaded = LoadStatusFile(o.showFile, image);
            if (!loaded.ok()) {
                return reporter.ReportFile(loaded, false);
            }
            PrintSettings(image, o.json, env.out, o.showFile);
            return 0;
        }
        default:
            return std::nullopt;
    }
}

// A command that works on the display, on the port that the connection check opened; `image` is
// the one a set loaded from its file.
int RunOnDisplay(const CliOptions& o, CliEnvironment& env, Reporter& reporter, SwitchImage& image) {
    Progress& progress = env.work;
    switch (o.command) {
        case CliCommand::Check:
            return 0;
        case CliCommand::SelfTest:
            return reporter.Report(RunSelfTest(env.channel, o.mode));
        case CliCommand::Info:
            return reporter.Report(ShowInformation(env.channel));
        case CliCommand::Direct: {
            int codeTable = 0;
            int characterSet = 0;
            for (const SettingChoice& c : o.settings) {
                (c.setting == Setting::CodeTable ? codeTable : characterSet) = c.index;
            }
            return reporter.Report(SendDirectSettings(env.channel, codeTable, characterSet));
        }
        case CliCommand::Get: {
            if (const int status =
                    reporter.Report(GetStatus(env.channel, env.pause, progress, image));
                status != 0) {
                return status;
            }
            PrintSettings(image, o.json, env.out);
            if (!o.saveFile.empty()) {
                return reporter.ReportFile(SaveStatusFile(StatusSavePath(o.saveFile), image), true);
            }
            return 0;
        }
        case CliCommand::Set: {
            if (o.loadFile.empty()) {
                if (const int status =
                        reporter.Report(GetStatus(env.channel, env.pause, progress, image));
                    status != 0) {
                    return status;
                }
            }
            ApplySettings(o, image);
            return reporter.Report(SetStatus(env.channel, env.pause, progress, image));
        }
        case CliCommand::Apply: {
            const bool fromFile = !o.loadFile.empty();
            const ApplyResult result =
                ApplyConfiguration(env.channel, env.pause, progress, [&](const SwitchImage& held) {
                    SwitchImage wanted = fromFile ? image : held;
                    ApplySettings(o, wanted);
                    return wanted;
                });
            return ReportApply(o, result, reporter, env);
        }
        case CliCommand::Ports:
        case CliCommand::Show:
        case CliCommand::Items:
        case CliCommand::Printers:
            break;
    }
    return 0;
}

}  // namespace

void PrintJson(const nlohmann::ordered_json& document, std::ostream& out) {
    out << document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

int ExitStatusFor(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
        case Outcome::Connected:
        case Outcome::GotStatus:
        case Outcome::SetStatus:
        case Outcome::Unchanged:
        case Outcome::Changed:
            return 0;
        case Outcome::WrongIdentity:
        case Outcome::NoResponse:
        case Outcome::NotHeld:
            return 1;
        case Outcome::ConfigureRefused:
        case Outcome::OpenFailed:
        case Outcome::PortError:
        case Outcome::PartlySet:
            return 3;
        case Outcome::WrongFormat:
        case Outcome::FileFailed:
            return 4;
    }
    return 1;
}

int RunCli(const CliOptions& o, CliEnvironment& env) {
    Reporter reporter(env, o.json);
    if (const std::optional<int> status = RunWithoutPort(o, env, reporter)) {
        return *status;
    }

    // A file that will not do is refused before the port is touched.
    SwitchImage image;
    if (!o.loadFile.empty()) {
        if (const int status = LoadForSet(o.loadFile, image, reporter); status != 0) {
            return status;
        }
    }
    const FileResult saveTarget = o.saveFile.empty() ? FileResult{} : StatusSaveTarget(o.saveFile);
    if (!saveTarget.ok()) {
        return reporter.ReportFile(saveTarget, true);
    }

    const Outcome checked =
        CheckConnection(env.channel, o.line, o.mode, env.releasePrinters, env.pause);
    if (const int status = reporter.Report(checked); status != 0) {
        return status;
    }
    FinishConnectionCheck(env.channel, o.mode);

    return RunOnDisplay(o, env, reporter, image);
}

}  // namespace vemora
