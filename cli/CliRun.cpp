#include "cli/CliRun.h"

#include <filesystem>

#include "flows/DirectCommands.h"
#include "flows/SwitchExchange.h"
#include "switches/StatusFile.h"

namespace vemora {

namespace {

class NoProgress : public Progress {
  public:
    void SetPosition(int) override {}
    void Step() override {}
};

std::string JsonString(std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

const char* JsonKey(Setting setting) {
    switch (setting) {
        case Setting::CodeTable:
            return "codeTable";
        case Setting::CharacterSet:
            return "characterSet";
        case Setting::Brightness:
            return "brightness";
        case Setting::PeripheralDevice:
            return "peripheralDevice";
        case Setting::CursorMode:
            return "cursorMode";
    }
    return "";
}

void PrintSettings(const SwitchImage& image, bool json, std::ostream& out) {
    const SwitchSelections selections = image.ComputeSelections();
    if (!json) {
        for (Setting setting : kAllSettings) {
            const std::int32_t index = selections.*SelectionMember(setting);
            const char* item = SettingItem(setting, index);
            out << SettingCaption(setting) << ": "
                << (item ? std::string(item) : "no item (index " + std::to_string(index) + ")")
                << "\n";
        }
        return;
    }
    out << "{\"settings\": {";
    const char* separator = "";
    for (Setting setting : kAllSettings) {
        const std::int32_t index = selections.*SelectionMember(setting);
        const char* item = SettingItem(setting, index);
        out << separator << JsonString(JsonKey(setting)) << ": {\"index\": " << index
            << ", \"item\": " << (item ? JsonString(item) : "null") << "}";
        separator = ", ";
    }
    out << "}, \"cells\": [";
    for (int bank = 1; bank <= kBankCount; ++bank) {
        out << (bank > 1 ? ", [" : "[");
        for (int cell = 0; cell < 9; ++cell) {
            out << (cell ? ", " : "") << image.Bank(bank).cells[cell];
        }
        out << "]";
    }
    out << "]}\n";
}

void PrintPorts(const std::vector<PortChoice>& ports, bool json, std::ostream& out) {
    if (json) {
        out << "[";
        for (std::size_t i = 0; i < ports.size(); ++i) {
            out << (i ? ", " : "") << "{\"name\": " << JsonString(ports[i].name)
                << ", \"description\": " << JsonString(ports[i].description) << "}";
        }
        out << "]\n";
        return;
    }
    for (const PortChoice& port : ports) {
        out << port.name << "\t" << port.description << "\n";
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
    if (!IsStatusLoadName(std::filesystem::path(file).filename().string())) {
        return reporter.Report(Outcome::WrongFormat);
    }
    return reporter.ReportFile(LoadStatusFile(file, image), false);
}

}  // namespace

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
            return 3;
        case Outcome::WrongFormat:
        case Outcome::FileFailed:
            return 4;
    }
    return 1;
}

int RunCli(const CliOptions& o, CliEnvironment& env) {
    Reporter reporter(env, o.json);
    if (o.command == CliCommand::Ports) {
        PrintPorts(env.listPorts(), o.json, env.out);
        return 0;
    }
    if (o.command == CliCommand::Show) {
        SwitchImage image;
        const FileResult loaded = LoadStatusFile(o.showFile, image);
        if (!loaded.ok()) {
            return reporter.ReportFile(loaded, false);
        }
        PrintSettings(image, o.json, env.out);
        return 0;
    }

    // A file that will not do is refused before the port is touched.
    SwitchImage image;
    if (!o.loadFile.empty()) {
        if (const int status = LoadForSet(o.loadFile, image, reporter); status != 0) {
            return status;
        }
    }

    const Outcome checked =
        CheckConnection(env.channel, o.line, o.mode, env.releasePrinters, env.pause);
    if (const int status = reporter.Report(checked); status != 0) {
        return status;
    }
    FinishConnectionCheck(env.channel, o.mode);

    NoProgress progress;
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
            for (const SettingChoice& c : o.settings) {
                ApplySetting(image, c.setting, c.index);
            }
            return reporter.Report(SetStatus(env.channel, env.pause, progress, image));
        }
        case CliCommand::Ports:
        case CliCommand::Show:
            break;
    }
    return 0;
}

}  // namespace vemora
