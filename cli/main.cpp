// vemora-cli: every action of the dialogs, for scripts and for configuring many displays.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <thread>

#include "cli/CliJson.h"
#include "cli/CliRun.h"
#include "cli/ManyPorts.h"
#include "cli/Process.h"
#include "flows/Outcome.h"
#include "printers/PrinterPorts.h"
#include "protocol/GuardedPort.h"
#include "serial/StandardStreams.h"
#include "serial/TracingDevice.h"

namespace {

using namespace vemora;

// The exit status when stdout could not be written (a closed pipe, a full disk).
constexpr int kOutputNotWritten = 6;

void Warn(std::ostream& err, const std::string& line) {
    err << "vemora-cli: " << line << "\n";
}

// The port's lock and, unless they are kept, the printers parked for the port, each problem said
// on the port's stderr; given back at the end, also when a signal ends the run.
class ParkedPrinters {
  public:
    explicit ParkedPrinters(bool keep) {
        if (!keep) {
            printers_.emplace(MakeSystemSpooler());
        }
    }
    OpenError Release(const std::string& portName, std::ostream& err) {
        if (const LockError lock = locks_.Take(portName); lock.failure != LockFailure::None) {
            return PortLockRefusal(portName, lock);
        }
        if (printers_) {
            for (const std::string& line :
                 DescribeRelease(printers_->ReleasePrinterPorts(portName))) {
                Warn(err, line);
            }
        }
        return {};
    }
    // A signal is ending the run: a pass under way ends at once.
    void Interrupt() {
        if (printers_) {
            printers_->Interrupt();
        }
    }
    // Names every printer that did not get its port back; true when one is left parked or stopped.
    bool Restore(std::chrono::milliseconds limit, std::ostream& err) {
        const std::vector<UnrestoredPrinter> unrestored =
            printers_ ? printers_->RestorePrinterPorts(limit) : std::vector<UnrestoredPrinter>{};
        for (const UnrestoredPrinter& p : unrestored) {
            Warn(err, DescribeUnrestored(p));
        }
        locks_.Clear();
        return LeftParked(unrestored);
    }

  private:
    PortLocks locks_;
    std::optional<PrinterPorts> printers_;
};

// vemora-cli printers [--restore [--host NAME]]: the listing on `out`, what else it says on
// `err`.
int ListOrRecoverPrinters(const CliOptions& options, std::ostream& out, std::ostream& err,
                          nlohmann::ordered_json& fields) {
    const std::unique_ptr<Spooler> spooler = MakeSystemSpooler();
    PassEnd end = PassEnd::Done;
    bool leftParked = false;
    if (options.restore) {
        const ReleaseReport report = RecoverPrinters(*spooler, options.oldHostName);
        for (const std::string& line : DescribeRelease(report)) {
            (options.json ? err : out) << line << "\n";
        }
        end = report.end;
        leftParked = LeftParked(report.unrecovered);
    } else {
        const PrinterListing listing =
            ListParkedPrinters(*spooler, options.portGiven ? options.line.portName : "");
        for (const LocalPrinter& printer : listing.printers) {
            if (!options.json) {
                out << DescribePrinter(printer) << "\n";
            }
        }
        fields["printers"] = PrintersJson(listing.printers);
        end = listing.end;
        for (const std::string& line : DescribeRelease({.end = end})) {
            Warn(err, line);
        }
    }
    if (end == PassEnd::NotRunning) {
        Warn(err, std::string(kNoScheduler));
    }
    return leftParked || end == PassEnd::NoAnswer || end == PassEnd::LockBusy ? 5 : 0;
}

// printers, with --json as one document.
int RunPrinters(const CliOptions& options) {
    if (!options.json) {
        nlohmann::ordered_json unused;
        return ListOrRecoverPrinters(options, std::cout, std::cerr, unused);
    }
    std::ostringstream err;
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    const int status = ListOrRecoverPrinters(options, std::cout, err, fields);
    PrintJson(PortDocument(options.portGiven ? nlohmann::ordered_json(options.line.portName)
                                             : nlohmann::ordered_json(),
                           status, TextLines(err.str()), fields),
              std::cout);
    return status;
}

// This machine's port; with --trace it tells every transfer on the port's stderr.
std::unique_ptr<SerialDevice> SystemPort(bool trace, std::chrono::steady_clock::time_point start,
                                         std::ostream& err) {
    std::unique_ptr<SerialDevice> system = MakeSystemSerialDevice();
    if (!trace) {
        return system;
    }
    return MakeTracingDevice(std::move(system), err, [start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    });
}

// What a port's run holds while it works: the port, and the printers parked for it.
struct PortHold {
    GuardedPort& port;
    ParkedPrinters& printers;
};

// The holds of the ports being worked on, so that a signal ends every one of them.
class Holds {
  public:
    void Add(PortHold* hold) {
        std::lock_guard lock(mutex_);
        holds_.push_back(hold);
    }
    void Remove(PortHold* hold) {
        std::lock_guard lock(mutex_);
        std::erase(holds_, hold);
    }
    // Ends the work on every port for good: a display in its setup mode is told to leave it, and
    // a printer pass under way ends at once.
    void ShutAll() {
        std::lock_guard lock(mutex_);
        for (PortHold* hold : holds_) {
            hold->printers.Interrupt();
            hold->port.Shutdown();
        }
    }
    // Gives back every port's printers within the signal's time.
    void RestoreAll() {
        std::lock_guard lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + kRestoreOnSignal;
        for (PortHold* hold : holds_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            hold->printers.Restore(std::max(left, std::chrono::milliseconds(0)), std::cerr);
        }
    }

  private:
    std::mutex mutex_;
    std::vector<PortHold*> holds_;
};

// One port's run: its own port and printers, and the command on its display. With --json the
// trace goes to `traceTo`, not among the port's messages.
int RunOnOnePort(const CliOptions& one, PortOutput& output, std::ostream& traceTo, Holds& holds,
                 std::chrono::steady_clock::time_point start) {
    std::ostream& err = output.err;
    ParkedPrinters printers(one.keepPrinters || !UsesPort(one.command));
    auto device =
        std::make_unique<GuardedPort>(SystemPort(one.trace, start, one.json ? traceTo : err),
                                      GuardedPort::AfterShutdown::Waiting);
    PortHold hold{*device, printers};
    CSerialChannel channel(std::move(device));
    holds.Add(&hold);
    CliEnvironment env{
        channel,
        [](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); },
        [&](const std::string& port) { return printers.Release(port, err); },
        [] { return ListPorts(); },
        output.out,
        err,
        output.work,
        output.progress,
        output.fields,
    };
    const int status = RunCli(one, env);
    channel.Close();
    const bool leftParked = printers.Restore(kPassDeadline, err);
    holds.Remove(&hold);
    return leftParked ? 5 : status;
}

// A result that could not be written is no success: stdout is flushed and checked at the end.
int CheckOutput(int status) {
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout) && !std::cout.fail()) {
        return status;
    }
    Warn(std::cerr, "the output could not be written" +
                        (error != 0 ? ": " + std::string(std::strerror(error)) : std::string()));
    return status != 0 ? status : kOutputNotWritten;
}

// The commands but printers: each port's run in turn, and what ends the run from outside
// answered: every port is shut, what each port did is told, the printers get their ports back.
int RunCommand(const CliOptions& options, std::chrono::steady_clock::time_point start) {
    Holds holds;
    const bool progress = UsesPort(options.command);
    ProgressLines lines(
        std::cerr,
        ChooseProgressStyle(options.progress, options.quiet || !progress, StderrTakesProgress()),
        progress ? options.ports : std::vector<std::string>{});
    ProgressAwareStream out(lines, std::cout);
    ProgressAwareStream err(lines, std::cerr);
    PortRuns runs(options, lines);
    std::string error;
    const std::unique_ptr<SignalWatch> watch = WatchEndingSignals(
        [&](int signal) {
            holds.ShutAll();
            lines.Clear();
            runs.ReportInterrupted(signal, std::cout, std::cerr);
            std::cout.flush();
            std::fflush(stdout);
            holds.RestoreAll();
        },
        error);
    if (!watch) {
        Warn(std::cerr, "no thread to answer signals: " + error);
        return 3;
    }
    const RunOnePort run = [&](const CliOptions& one, PortOutput& output) {
        return RunOnOnePort(one, output, err, holds, start);
    };
    return runs.RunAll(run, out, err);
}

// A wrong command line: what is wrong and the help that tells more, on stderr, or with --json as
// the one document on stdout.
int ReportUsageError(const ParsedCommandLine& parsed, const std::vector<std::string>& args) {
    std::vector<std::string> messages{"vemora-cli: " + parsed.error};
    if (parsed.errorStatus == 2) {
        messages.push_back("Try 'vemora-cli " + parsed.command +
                           (parsed.command.empty() ? "" : " ") + "--help'.");
    }
    if (std::find(args.begin(), args.end(), "--json") != args.end()) {
        PrintJson(PortDocument(nullptr, parsed.errorStatus, messages, {}), std::cout);
        return CheckOutput(parsed.errorStatus);
    }
    for (const std::string& line : messages) {
        std::cerr << line << "\n";
    }
    return parsed.errorStatus;
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    GuardStandardStreams();
    PrepareProcess();
    const std::vector<std::string> args = CommandLineArguments(argc, argv);
    const ParsedCommandLine parsed = ParseCommandLine(args);
    if (!parsed.error.empty()) {
        return ReportUsageError(parsed, args);
    }
    if (!parsed.options) {
        std::cout << parsed.help;
        return CheckOutput(0);
    }
    if (parsed.options->command == CliCommand::Printers) {
        return CheckOutput(RunPrinters(*parsed.options));
    }
    return CheckOutput(RunCommand(*parsed.options, start));
}
