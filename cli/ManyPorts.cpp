#include "cli/ManyPorts.h"

#include <algorithm>
#include <atomic>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>
#include <thread>

#include "cli/CliJson.h"

namespace vemora {

struct PortRuns::Run {
    explicit Run(CliOptions one) : options(std::move(one)), work(options) {}
    CliOptions options;
    DisplayWork work;
    std::ostringstream out;  // what it printed, when several ports run
    std::ostringstream err;
    int status = 0;
    bool ended = false;
};

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

void PrintLed(const std::string& port, const std::vector<std::string>& lines, std::ostream& to) {
    for (const std::string& line : lines) {
        to << port << ": " << line << "\n";
    }
}

// Calls `one` for 0 ... count-1, at most kPortsAtOnce at a time, this thread among them. A thread
// that cannot be started leaves its share to those that could.
void RunInTurn(std::size_t count, const std::function<void(std::size_t)>& one) {
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next++) < count;) {
            one(i);
        }
    };
    std::vector<std::jthread> helpers;
    for (std::size_t t = 1; t < std::min(count, kPortsAtOnce); ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;
        }
    }
    work();
}

// What a port still under way had done when the signal came.
std::vector<std::string> InterruptedLines(const DisplayWork& work) {
    std::vector<std::string> lines{"Interrupted."};
    if (work.Written()) {
        lines.emplace_back(
            "The switch writes had gone out: the display may hold the new settings; run "
            "`vemora-cli get` to see what it holds.");
    } else if (work.Read()) {
        lines.emplace_back("The display's switches had been read; nothing was written.");
    }
    return lines;
}

nlohmann::ordered_json InterruptedJson(const CliOptions& one, const DisplayWork& work) {
    nlohmann::ordered_json document = {{"port", one.line.portName},
                                       {"interrupted", true},
                                       {"read", work.Read()},
                                       {"written", work.Written()}};
    if (one.command == CliCommand::Apply) {
        document["changed"] = work.Written();
        document["verified"] = false;
    }
    return document;
}

// A port's object in the array of several: its document, "port", "exitStatus" and "messages".
nlohmann::ordered_json PortDocument(const std::string& port, const std::string& printed, int status,
                                    const std::vector<std::string>& messages) {
    nlohmann::ordered_json document = nlohmann::ordered_json::object();
    if (!printed.empty()) {
        document = nlohmann::ordered_json::parse(printed, nullptr, false);
        if (!document.is_object()) {
            document = {{"output", printed}};
        }
    }
    document["port"] = port;
    document["exitStatus"] = status;
    document["messages"] = messages;
    return document;
}

}  // namespace

PortRuns::PortRuns(const CliOptions& options) : options_(options) {
    if (!UsesPort(options.command)) {
        runs_.push_back(std::make_unique<Run>(options));
        return;
    }
    for (const std::string& port : options.ports) {
        runs_.push_back(std::make_unique<Run>(ForPort(options, port)));
    }
}

PortRuns::~PortRuns() = default;

int PortRuns::RunAll(const RunOnePort& run, std::ostream& out, std::ostream& err) {
    if (runs_.size() == 1) {
        Run& one = *runs_.front();
        const int status = run(one.options, one.work, out, err);
        std::lock_guard lock(mutex_);
        one.ended = true;
        printed_ = true;
        return status;
    }
    RunInTurn(runs_.size(), [&](std::size_t i) { RunOne(run, *runs_[i]); });
    std::lock_guard lock(mutex_);
    printed_ = true;
    PrintAll(0, out, err);
    int status = 0;
    for (const auto& one : runs_) {
        status = std::max(status, one->status);
    }
    return status;
}

void PortRuns::RunOne(const RunOnePort& run, Run& one) {
    const int status = run(one.options, one.work, one.out, one.err);
    std::lock_guard lock(mutex_);
    one.status = status;
    one.ended = true;
}

void PortRuns::ReportInterrupted(int signal, std::ostream& out, std::ostream& err) {
    std::lock_guard lock(mutex_);
    if (printed_) {
        err << "Interrupted.\n";
        return;
    }
    printed_ = true;
    if (runs_.size() > 1) {
        PrintAll(signal, out, err);
        return;
    }
    const Run& one = *runs_.front();
    for (const std::string& line : InterruptedLines(one.work)) {
        err << line << "\n";
    }
    if (options_.json && UsesPort(options_.command)) {
        PrintJson(InterruptedJson(one.options, one.work), out);
    }
}

// Each port in turn: what it printed once it ended, or that it was interrupted by `signal`.
void PortRuns::PrintAll(int signal, std::ostream& out, std::ostream& err) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const auto& one : runs_) {
        const std::string& port = one->options.line.portName;
        const bool ended = one->ended;
        const std::vector<std::string> messages =
            ended ? Lines(one->err.str()) : InterruptedLines(one->work);
        if (!options_.json) {
            PrintLed(port, ended ? Lines(one->out.str()) : std::vector<std::string>{}, out);
            PrintLed(port, messages, err);
        } else if (ended) {
            all.push_back(PortDocument(port, one->out.str(), one->status, messages));
        } else {
            nlohmann::ordered_json document = InterruptedJson(one->options, one->work);
            document.update(PortDocument(port, "", 128 + signal, messages));
            all.push_back(document);
        }
    }
    if (options_.json) {
        PrintJson(all, out);
    }
}

}  // namespace vemora
