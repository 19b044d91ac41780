// vemora-cli: every action of the dialogs, for scripts and for configuring many displays.

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <optional>
#include <thread>

#include "cli/CliRun.h"
#include "flows/Outcome.h"
#include "printers/CupsSpooler.h"
#include "printers/PrinterPorts.h"
#include "protocol/GuardedPort.h"
#include "serial/TracingDevice.h"

namespace {

using namespace vemora;

void Warn(const std::string& line) {
    std::cerr << "vemora-cli: " << line << "\n";
}

// Printers parked for this run, each problem said on stderr; given back at the end, also when a
// signal ends the run.
class ParkedPrinters {
  public:
    explicit ParkedPrinters(bool keep) {
        if (!keep) {
            printers_.emplace(MakeCupsSpooler());
        }
    }
    OpenError Release(const std::string& portName) {
        if (!printers_) {
            return {};
        }
        const ReleaseReport report = printers_->ReleasePrinterPorts(portName);
        for (const std::string& line : DescribeRelease(report)) {
            Warn(line);
        }
        return report.held;
    }
    // A signal is ending the run: a pass under way ends at once.
    void Interrupt() {
        if (printers_) {
            printers_->Interrupt();
        }
    }
    // Names every printer that did not get its port back; true when one is left parked or stopped.
    bool Restore(std::chrono::milliseconds limit) {
        if (!printers_) {
            return false;
        }
        const std::vector<UnrestoredPrinter> unrestored = printers_->RestorePrinterPorts(limit);
        for (const UnrestoredPrinter& p : unrestored) {
            Warn(DescribeUnrestored(p));
        }
        return LeftParked(unrestored);
    }

  private:
    std::optional<PrinterPorts> printers_;
};

// vemora-cli printers [--restore].
int ListOrRecoverPrinters(const CliOptions& options) {
    const std::unique_ptr<Spooler> spooler = MakeCupsSpooler();
    PassEnd end = PassEnd::Done;
    bool leftParked = false;
    if (options.restore) {
        const ReleaseReport report = RecoverPrinters(*spooler);
        for (const std::string& line : DescribeRelease(report)) {
            std::cout << line << "\n";
        }
        end = report.end;
        leftParked = LeftParked(report.unrecovered);
    } else {
        const PrinterListing listing =
            ListParkedPrinters(*spooler, options.portGiven ? options.line.portName : "");
        for (const LocalPrinter& printer : listing.printers) {
            std::cout << DescribePrinter(printer) << "\n";
        }
        end = listing.end;
        for (const std::string& line : DescribeRelease({.end = end})) {
            Warn(line);
        }
    }
    if (end == PassEnd::NotRunning) {
        Warn(std::string(kNoScheduler));
    }
    return leftParked || end == PassEnd::NoAnswer || end == PassEnd::LockBusy ? 5 : 0;
}

// SIGINT, SIGTERM and SIGHUP are taken by a thread of their own, so that the printers get their
// ports back whenever the run ends; SIGUSR1 tells that thread the run is over.
sigset_t BlockEndingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) {
        sigaddset(&signals, s);
    }
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

// This machine's port; with --trace it tells every transfer on stderr.
std::unique_ptr<SerialDevice> SystemPort(bool trace, std::chrono::steady_clock::time_point start) {
    std::unique_ptr<SerialDevice> system = MakeSystemSerialDevice();
    if (!trace) {
        return system;
    }
    return MakeTracingDevice(std::move(system), std::cerr, [start] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    });
}

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    const ParsedCommandLine parsed = ParseCommandLine({argv + 1, argv + argc});
    if (!parsed.error.empty()) {
        std::cerr << "vemora-cli: " << parsed.error << "\nTry 'vemora-cli --help'.\n";
        return 2;
    }
    if (!parsed.options) {
        std::cout << parsed.help;
        return 0;
    }
    const CliOptions& options = *parsed.options;
    if (options.command == CliCommand::Printers) {
        return ListOrRecoverPrinters(options);
    }
    const bool usesPort = options.command != CliCommand::Ports &&
                          options.command != CliCommand::Show &&
                          options.command != CliCommand::Items;
    const sigset_t signals = BlockEndingSignals();

    // A save beyond the file size limit fails as a write, and the run ends as any failed save.
    signal(SIGXFSZ, SIG_IGN);

    ParkedPrinters printers(options.keepPrinters || !usesPort);
    auto device = std::make_unique<GuardedPort>(SystemPort(options.trace, start),
                                                GuardedPort::AfterShutdown::Waiting);
    GuardedPort& port = *device;
    CSerialChannel channel(std::move(device));
    std::thread watcher([&] {
        int signal = 0;
        sigwait(&signals, &signal);
        if (signal != SIGUSR1) {
            printers.Interrupt();
            port.Shutdown();
            std::cerr << "Interrupted." << std::endl;
            printers.Restore(kRestoreOnSignal);
            _exit(128 + signal);
        }
    });

    CliEnvironment env{
        channel,
        [](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); },
        [&](const std::string& port) { return printers.Release(port); },
        [] { return ListPorts(); },
        std::cout,
        std::cerr,
    };
    const int status = RunCli(options, env);
    channel.Close();
    const bool leftParked = printers.Restore(kPassDeadline);
    pthread_kill(watcher.native_handle(), SIGUSR1);
    watcher.join();
    return leftParked ? 5 : status;
}
