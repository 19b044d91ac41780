#include "cli/CliRun.h"
#include "cli/CliCommands.h"
#include "cli/CliJson.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "flows/ApplyConfiguration.h"
#include "flows/DirectCommands.h"
#include "flows/SwitchExchange.h"
#include "switches/StatusFile.h"
#include "switches/Utf8Path.h"

namespace vemora {

namespace {

nlohmann::ordered_json TextOrNull(const std::string& text) {
    return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

// The five settings and the cells of a switch image, as JSON.
nlohmann::ordered_json SettingsJson(const SwitchImage& image) {
    const SwitchSelections selections = SelectionsOf(image);
    nlohmann::ordered_json settings = nlohmann::ordered_json::object();
    for (Setting setting : kAllSettings) {
        const std::int32_t index = selections[setting];
        const char* item = SettingItem(setting, index);
        settings[RowOf(setting).key] = {{"index", index}, {"item", TextOrNull(item ? item : "")}};
    }
    nlohmann::ordered_json cells = nlohmann::ordered_json::array();
    for (int bank = 1; bank <= kBankCount; ++bank) {
        cells.push_back(image.Bank(bank).cells);
    }
    return {{"settings", settings}, {"cells", cells}};
}

// The five settings, as lines or as JSON fields; the JSON of a status file also names it.
void PrintSettings(const SwitchImage& image, bool json, CliEnvironment& env,
                   const std::string& file = {}) {
    if (json) {
        env.fields.update(SettingsJson(image));
        if (!file.empty()) {
            env.fields["file"] = file;
        }
        return;
    }
    std::ostream& out = env.out;
    const SwitchSelections selections = SelectionsOf(image);
    for (Setting setting : kAllSettings) {
        const std::int32_t index = selections[setting];
        const char* item = SettingItem(setting, index);
        out << SettingCaption(setting) << ": "
            << (item ? std::string(item) : "no item (index " + std::to_string(index) + ")") << "\n";
    }
}

// The ports that have a device behind them, or with --all every one.
void PrintPorts(const std::vector<PortChoice>& ports, const CliOptions& o, CliEnvironment& env) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const PortChoice& port : ports) {
        if (!port.present && !o.allPorts) {
            continue;
        }
        if (!o.json) {
            env.out << port.name << "\t" << port.description << "\n";
        }
        list.push_back({{"name", port.name},
                        {"description", port.description},
                        {"device", port.device},
                        {"byIdLink", TextOrNull(port.byIdLink)},
                        {"usbId", TextOrNull(port.usbId)},
                        {"present", port.present}});
    }
    env.fields["ports"] = list;
}

// Each setting's items: "INDEX<tab>ITEM" lines under the option that takes them, or JSON.
void PrintItems(const std::vector<Setting>& settings, bool json, CliEnvironment& env) {
    std::ostream& out = env.out;
    nlohmann::ordered_json lists = nlohmann::ordered_json::object();
    for (Setting setting : settings) {
        const auto items = SettingItems(setting);
        lists[RowOf(setting).key] = std::vector<std::string>(items.begin(), items.end());
        if (!json && settings.size() > 1) {
            out << "--" << RowOf(setting).option << " (" << SettingCaption(setting) << "):\n";
        }
        for (std::size_t i = 0; i < items.size() && !json; ++i) {
            out << i << "\t" << items[i] << "\n";
        }
    }
    env.fields["items"] = lists;
}

}  // namespace

// Says what an outcome means, success on stdout (stderr when stdout carries JSON), failures on
// stderr; returns the exit status.
class Reporter {
  public:
    Reporter(CliEnvironment& env, bool json) : env_(env), json_(json) {}

    // The outcome's message, then what the failure left behind and why the port did not open.
    int Report(Outcome outcome);
    // A status file that will not do: the system's reason, or the wrong-format message and what
    // is wrong with the file.
    int ReportFile(const FileResult& result, bool saving);

    // A success's words, on the progress line too.
    std::ostream& Say(std::string_view text) {
        env_.progress.Say(text);
        return (json_ ? env_.err : env_.out) << text << "\n";
    }

  private:
    // A failure's words, on the progress line too.
    void SayFailure(std::string_view text) {
        env_.progress.Say(text);
        Explain(text);
    }
    // A line about a failure, on stderr alone.
    void Explain(std::string_view text) { env_.err << text << "\n"; }

    CliEnvironment& env_;
    bool json_;
};

int Reporter::Report(Outcome outcome) {
    const Message message = MessageFor(outcome);
    if (!message.text.empty() && IsSuccess(outcome)) {
        Say(message.text);
    } else if (!message.text.empty()) {
        SayFailure(message.text);
    }
    if (!message.detail.empty()) {
        Explain(message.detail);
    }
    if (outcome == Outcome::OpenFailed) {
        Explain(DescribeOpenError(env_.channel.LastOpenError()));
    }
    return ExitStatusFor(outcome);
}

int Reporter::ReportFile(const FileResult& result, bool saving) {
    const Outcome outcome = FileOutcomeOf(result);
    if (outcome == Outcome::FileFailed) {
        Explain(DescribeFileFailure(result, saving));
    } else if (outcome == Outcome::WrongFormat) {
        Report(outcome);
        Explain(Utf8Text(result.path) + ": " + result.reason);
    }
    return ExitStatusFor(outcome);
}

struct CommandRun {
    const CliOptions& options;
    CliEnvironment& env;
    Reporter& reporter;
    SwitchImage& image;  // the one a set or apply loaded from its file, or the one read
};

namespace {

// The image a set starts from, from a status file; 0 when it loaded, else the exit status.
int LoadForSet(const std::filesystem::path& file, SwitchImage& image, Reporter& reporter) {
    if (const FileResult name = CheckStatusLoadName(file); !name.ok()) {
        return reporter.ReportFile(name, false);
    }
    return reporter.ReportFile(LoadStatusFile(file, image), false);
}

// What apply found and did; the JSON fields come whenever the display could be read, and say
// `changed` once a write went out, also when the read-back then failed.
int ReportApply(const CliOptions& o, const ApplyResult& result, Reporter& reporter,
                CliEnvironment& env) {
    const bool afterKnown =
        result.outcome == Outcome::Unchanged || result.outcome == Outcome::Changed ||
        result.outcome == Outcome::NotHeld || result.outcome == Outcome::WouldChange;
    if (env.work.Read()) {
        env.fields.update(
            {{"dryRun", o.dryRun},
             {"changed", result.changed || env.work.Written()},
             {"verified", result.verified},
             {"before", SettingsJson(result.before)},
             {"after", afterKnown ? SettingsJson(result.after) : nlohmann::ordered_json()}});
    }
    return reporter.Report(result.outcome);
}

// The settings given on the command line, over the image a set or apply starts from.
void ApplySettings(const CliOptions& o, SwitchImage& image) {
    for (const SettingChoice& c : o.settings) {
        ApplySetting(image, c.setting, c.index);
    }
}

// Get Status into the run's image; 0 when it was read, else the exit status.
int ReadSwitches(CommandRun& run) {
    return run.reporter.Report(
        GetStatus(run.env.channel, run.env.pause, run.env.progress, run.image));
}

// A file that will not do is refused before the port is touched: 0 when all will do.
int CheckFiles(CommandRun& run) {
    const CliOptions& o = run.options;
    if (!o.loadFile.empty()) {
        if (const int status = LoadForSet(Utf8Path(o.loadFile), run.image, run.reporter);
            status != 0) {
            return status;
        }
    }
    const FileResult saveTarget =
        o.saveFile.empty() ? FileResult{} : StatusSaveTarget(Utf8Path(o.saveFile));
    return saveTarget.ok() ? 0 : run.reporter.ReportFile(saveTarget, true);
}

// A command that nothing is read back for: whether it went out, and `sent`, what to say once it
// did (nothing for an empty one).
int ReportSent(CommandRun& run, Outcome outcome, std::string_view sent) {
    run.env.fields["sent"] = outcome == Outcome::Done;
    const int status = run.reporter.Report(outcome);
    if (status == 0 && !sent.empty()) {
        run.reporter.Say(sent);
    }
    return status;
}

}  // namespace

int RunPorts(CommandRun& run) {
    PrintPorts(run.env.listPorts(), run.options, run.env);
    return 0;
}

int RunItems(CommandRun& run) {
    PrintItems(run.options.itemsOf, run.options.json, run.env);
    return 0;
}

int RunShow(CommandRun& run) {
    const FileResult loaded = LoadStatusFile(Utf8Path(run.options.showFile), run.image);
    if (!loaded.ok()) {
        return run.reporter.ReportFile(loaded, false);
    }
    PrintSettings(run.image, run.options.json, run.env, run.options.showFile);
    return 0;
}

int RunCheck(CommandRun&) {
    return 0;
}

int RunSelfTestCommand(CommandRun& run) {
    const bool escPos = run.options.mode == EmulationMode::EscPos;
    return ReportSent(run, RunSelfTest(run.env.channel, run.options.mode),
                      escPos ? kSelfTestSent : kInformationSent);
}

int RunInfo(CommandRun& run) {
    return ReportSent(run, ShowInformation(run.env.channel), kInformationSent);
}

int RunDirect(CommandRun& run) {
    int codeTable = 0;
    int characterSet = 0;
    for (const SettingChoice& c : run.options.settings) {
        (c.setting == Setting::CodeTable ? codeTable : characterSet) = c.index;
    }
    return ReportSent(run, SendDirectSettings(run.env.channel, codeTable, characterSet), {});
}

int RunGet(CommandRun& run) {
    if (const int status = ReadSwitches(run); status != 0) {
        return status;
    }
    PrintSettings(run.image, run.options.json, run.env);
    if (run.options.saveFile.empty()) {
        return 0;
    }
    return run.reporter.ReportFile(
        SaveStatusFile(StatusSavePath(Utf8Path(run.options.saveFile)), run.image), true);
}

// Without a file, the image is the one read from the display.
int RunSet(CommandRun& run) {
    if (run.options.loadFile.empty()) {
        if (const int status = ReadSwitches(run); status != 0) {
            return status;
        }
    }
    ApplySettings(run.options, run.image);
    const Outcome set = SetStatus(run.env.channel, run.env.pause, run.env.progress, run.image);
    run.env.fields["written"] = set == Outcome::SetStatus;
    if (set == Outcome::SetStatus && run.options.json) {
        run.env.fields.update(SettingsJson(run.image));
    }
    return run.reporter.Report(set);
}

int RunApply(CommandRun& run) {
    const bool fromFile = !run.options.loadFile.empty();
    const ApplyResult result = ApplyConfiguration(
        run.env.channel, run.env.pause, run.env.progress,
        [&](const SwitchImage& held) {
            SwitchImage wanted = fromFile ? run.image : held;
            ApplySettings(run.options, wanted);
            return wanted;
        },
        run.options.dryRun ? ApplyMode::DryRun : ApplyMode::Write);
    return ReportApply(run.options, result, run.reporter, run.env);
}

void PrintJson(const nlohmann::ordered_json& document, std::ostream& out) {
    out << document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

nlohmann::ordered_json PrintersJson(const std::vector<LocalPrinter>& printers) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const LocalPrinter& printer : printers) {
        nlohmann::ordered_json one = {{"name", printer.name},
                                      {"port", printer.port},
                                      {"state", printer.stopped ? "stopped" : "idle"},
                                      {"parked", nullptr}};
        if (printer.mark) {
            nlohmann::ordered_json holders = nlohmann::ordered_json::array();
            for (const Holder& h : printer.mark->holders) {
                holders.push_back(
                    {{"pid", h.pid}, {"host", h.host}, {"port", h.port}, {"ended", IsGone(h)}});
            }
            one["parked"] = {{"fromPort", printer.mark->port},
                             {"wasStarted", printer.mark->started},
                             {"holders", holders}};
        }
        list.push_back(one);
    }
    return list;
}

nlohmann::ordered_json PortDocument(const nlohmann::ordered_json& port, int exitStatus,
                                    const std::vector<std::string>& messages,
                                    const nlohmann::ordered_json& fields) {
    nlohmann::ordered_json document = {
        {"port", port}, {"exitStatus", exitStatus}, {"messages", messages}};
    if (fields.is_object()) {
        document.update(fields);
    }
    return document;
}

int ExitStatusFor(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
        case Outcome::Connected:
        case Outcome::GotStatus:
        case Outcome::SetStatus:
        case Outcome::Unchanged:
        case Outcome::Changed:
        case Outcome::WouldChange:
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
    SwitchImage image;
    CommandRun run{o, env, reporter, image};
    const CommandEntry& entry = EntryOf(o.command);
    if (!entry.usesPort) {
        return entry.run(run);
    }
    if (const int status = CheckFiles(run); status != 0) {
        return status;
    }
    env.progress.Say("checking the connection");
    IdentityBytes identity;
    const Outcome checked =
        CheckConnection(env.channel, o.line, o.mode, env.releasePrinters, env.pause, &identity);
    env.fields["connected"] = checked == Outcome::Connected;
    env.fields["identity"] =
        identity.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(identity);
    if (const int status = reporter.Report(checked); status != 0) {
        return status;
    }
    FinishConnectionCheck(env.channel, o.mode);
    return entry.run(run);
}

}  // namespace vemora
