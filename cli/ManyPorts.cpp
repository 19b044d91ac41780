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
    Run(CliOptions one, ProgressLines& lines, std::size_t index)
        : options(std::move(one)), progress(lines, index, &work) {}
    CliOptions options;
    DisplayWork work;
    PortProgress progress;
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    std::ostringstream out;  // what it printed, when several ports run
    std::ostringstream err;
    int status = 0;
    bool ended = false;
};

namespace {

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
    nlohmann::ordered_json document = {
        {"interrupted", true}, {"read", work.Read()}, {"written", work.Written()}};
    if (one.command == CliCommand::Apply) {
        document["changed"] = work.Written();
        document["verified"] = false;
    }
    return document;
}

}  // namespace

PortRuns::PortRuns(const CliOptions& options, ProgressLines& lines)
    : options_(options), lines_(lines) {
    if (!UsesPort(options.command)) {
        runs_.push_back(std::make_unique<Run>(options, lines, 0));
        return;
    }
    for (const std::string& port : options.ports) {
        runs_.push_back(std::make_unique<Run>(ForPort(options, port), lines, runs_.size()));
    }
}

PortRuns::~PortRuns() = default;

int PortRuns::RunAll(const RunOnePort& run, std::ostream& out, std::ostream& err) {
    if (runs_.size() == 1 && !options_.json) {
        Run& one = *runs_.front();
        PortOutput output{one.work, one.progress, out, err, one.fields};
        const int status = run(one.options, output);
        std::lock_guard lock(mutex_);
        one.ended = true;
        printed_ = true;
        return status;
    }
    RunInTurn(runs_.size(), [&](std::size_t i) { RunOne(run, *runs_[i]); });
    lines_.Clear();
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
    PortOutput output{one.work, one.progress, one.out, one.err, one.fields};
    const int status = run(one.options, output);
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
    if (runs_.size() > 1 || options_.json) {
        PrintAll(signal, out, err);
        return;
    }
    for (const std::string& line : InterruptedLines(runs_.front()->work)) {
        err << line << "\n";
    }
}

// Each port in turn: what it printed once it ended, or that it was interrupted by `signal`.
void PortRuns::PrintAll(int signal, std::ostream& out, std::ostream& err) {
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const auto& one : runs_) {
        const std::string& port = one->options.line.portName;
        const nlohmann::ordered_json portJson =
            UsesPort(options_.command) ? nlohmann::ordered_json(port) : nlohmann::ordered_json();
        const bool ended = one->ended;
        const std::vector<std::string> messages =
            ended ? TextLines(one->err.str()) : InterruptedLines(one->work);
        if (!options_.json) {
            PrintLed(port, ended ? TextLines(one->out.str()) : std::vector<std::string>{}, out);
            PrintLed(port, messages, err);
        } else if (ended) {
            all.push_back(PortDocument(portJson, one->status, messages, one->fields));
        } else {
            all.push_back(PortDocument(portJson, 128 + signal, messages,
                                       InterruptedJson(one->options, one->work)));
        }
    }
    if (options_.json) {
        PrintJson(all.size() == 1 ? all.front() : all, out);
    }
}

}  // namespace vemora
