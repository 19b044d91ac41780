// vemora-cli: every action of the dialogs, for scripts and for configuring many displays.

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/CliRun.h"
#include "printers/CupsSpooler.h"
#include "printers/PrinterPorts.h"
#include "protocol/GuardedPort.h"
#include "serial/TracingDevice.h"

namespace {

using namespace vemora;

// Printers parked for this run; given back at the end, also when a signal ends the run.
class ParkedPrinters {
  public:
    explicit ParkedPrinters(bool keep) {
        if (!keep) {
            printers_.emplace(MakeCupsSpooler());
        }
    }
    void Release(const std::string& portName) {
        std::lock_guard lock(mutex_);
        if (printers_) {
            printers_->ReleasePrinterPorts(portName);
        }
    }
    // Names every printer that could not be given its port back.
    void Restore() {
        std::lock_guard lock(mutex_);
        if (!printers_ || printers_->IsEmpty()) {
            return;
        }
        for (const UnrestoredPrinter& p : printers_->RestorePrinterPorts()) {
            std::cerr << "vemora-cli: printer \"" << p.name
                      << "\" could not be given its port back; its port should be \"" << p.port
                      << "\"\n";
        }
    }

  private:
    std::mutex mutex_;
    std::optional<PrinterPorts> printers_;
};

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
            port.Shutdown();
            std::cerr << "Interrupted." << std::endl;
            printers.Restore();
            _exit(128 + signal);
        }
    });

    CliEnvironment env{
        channel,
        [](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); },
        [&](const std::string& port) { printers.Release(port); },
        [] { return ListPorts(); },
        std::cout,
        std::cerr,
    };
    const int status = RunCli(options, env);
    channel.Close();
    printers.Restore();
    pthread_kill(watcher.native_handle(), SIGUSR1);
    watcher.join();
    return status;
}
