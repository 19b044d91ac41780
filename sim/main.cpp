// vemora-display-sim: a customer display on a pseudo-terminal, for trying Vemora without one.
// Prints the device path on its first line, then serves until it is ended.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "serial/FileHandle.h"
#include "serial/StandardStreams.h"
#include "sim/DisplaySim.h"
#include "switches/SettingLists.h"
#include "switches/StatusFile.h"

namespace {

using namespace vemora;

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

// The faults a display can be given, for trying the tool's handling of them.
void AddFaultOptions(CLI::App& app, SimOptions& o, int& delay) {
    const char* faults = "Faults";
    app.add_flag("--silent", o.silent, "answer nothing")->group(faults);
    app.add_option("--noise", o.noise, "send N bytes before each sync byte")
        ->type_name("N")
        ->check(CLI::Range(0, 1000).description(""))
        ->group(faults);
    app.add_flag("--wrong-identity", o.wrongIdentity, "a setup reply that is not one of ours")
        ->group(faults);
    app.add_flag("--short-reply", o.shortReply, "switch replies that stop after four digits")
        ->group(faults);
    app.add_option("--digit-two", o.digitTwoBank, "bank 1..5 answers a '2' for its lowest on bit")
        ->type_name("BANK")
        ->check(CLI::Range(1, kBankCount).description(""))
        ->group(faults);
    app.add_option("--deaf-bank", o.deafBank,
                   "bank 1..5 takes switch writes but keeps what it held")
        ->type_name("BANK")
        ->check(CLI::Range(1, kBankCount).description(""))
        ->group(faults);
    app.add_option("--delay", delay, "wait MS before every reply")
        ->type_name("MS")
        ->check(CLI::Range(0, 60000).description(""))
        ->group(faults);
}

// Reads the options; returns the exit status when the program ends here (help, version or a wrong
// option), nothing when it goes on.
std::optional<int> ParseOptions(int argc, char** argv, SimOptions& o, std::string& logFile) {
    CLI::App app{
        "A customer display on a pseudo-terminal; its device path is printed on the first "
        "line.",
        "vemora-display-sim"};
    app.set_help_flag("-h,--help", "this text");
    app.set_version_flag("-V,--version", "vemora-display-sim " VEMORA_VERSION,
                         "the program's name and version");
    app.get_formatter()->column_width(22);
    const std::map<std::string, SimEmulation> modes{{"escpos", SimEmulation::EscPos},
                                                    {"korvant", SimEmulation::Korvant},
                                                    {"others", SimEmulation::Others}};
    app.add_option("--mode", o.emulation,
                   "escpos, korvant or others (default escpos; the others answer nothing)")
        ->type_name("M")
        ->transform(CLI::CheckedTransformer(modes).description(""));
    std::string switchesFile;
    app.add_option("--switches", switchesFile,
                   "the memory switches to start with, from a status file")
        ->type_name("FILE");
    app.add_option("--log", logFile,
                   "every byte received, one command per line in hex, with ms since start")
        ->type_name("FILE");
    int delay = 0;
    AddFaultOptions(app, o, delay);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : 2;
    }
    o.delay = std::chrono::milliseconds(delay);
    if (const FileResult r =
            switchesFile.empty() ? FileResult{} : LoadStatusFile(switchesFile, o.switches);
        !r.ok()) {
        std::cerr << "vemora-display-sim: " << switchesFile << ": " << r.reason << "\n";
        return 2;
    }
    return std::nullopt;
}

void ShowDisplay(const DisplaySim& sim) {
    const auto lines = sim.Lines();
    std::fprintf(stderr, "[%s]\n  |%-20s|\n  |%-20s|\n", SimStateName(sim.State()),
                 lines[0].c_str(), lines[1].c_str());
}

// The display's end of a pseudo-terminal, and the far end held open: that keeps the line up
// between the tool's runs.
struct PseudoTerminal {
    FileHandle master;
    FileHandle slave;
    std::string path;
};

// False, with the reason on stderr, when no pseudo-terminal could be had.
bool OpenPseudoTerminal(PseudoTerminal& pty) {
    pty.master = FileHandle(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!pty.master || grantpt(pty.master.Get()) != 0 || unlockpt(pty.master.Get()) != 0) {
        std::perror("vemora-display-sim: pseudo-terminal");
        return false;
    }
    pty.path = ptsname(pty.master.Get());
    // Raw, so that nothing the display sends is echoed back to it.
    pty.slave = FileHandle(open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios raw{};
    if (!pty.slave || tcgetattr(pty.slave.Get(), &raw) != 0) {
        std::perror("vemora-display-sim: pseudo-terminal");
        return false;
    }
    cfmakeraw(&raw);
    tcsetattr(pty.slave.Get(), TCSANOW, &raw);
    return true;
}

void WriteAll(int fd, const std::vector<Byte>& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t w = write(fd, bytes.data() + sent, bytes.size() - sent);
        if (w <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(w);
    }
}

// The display on the line: answers what comes, logs every command, shows every change.
class Server {
  public:
    Server(const SimOptions& options, std::ofstream& log) : sim_(options), log_(log) {}

    void Serve(int master) {
        ShowDisplay(sim_);
        std::vector<Byte> buffer(256);
        while (!stopRequested) {
            pollfd pfd{master, POLLIN, 0};
            if (poll(&pfd, 1, 200) <= 0) {
                continue;
            }
            if (const ssize_t n = read(master, buffer.data(), buffer.size()); n > 0) {
                Answer(master, {buffer.data(), static_cast<std::size_t>(n)});
            }
        }
    }

  private:
    void Answer(int master, std::span<const Byte> bytes) {
        const auto state = sim_.State();
        const auto lines = sim_.Lines();
        const std::vector<Byte> reply = sim_.Receive(bytes);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start_)
                            .count();
        for (; logged_ < sim_.Commands().size(); ++logged_) {
            if (log_) {
                log_ << ms << " " << sim_.Commands()[logged_] << std::endl;
            }
        }
        if (sim_.State() != state || sim_.Lines() != lines) {
            ShowDisplay(sim_);
        }
        if (!reply.empty()) {
            std::this_thread::sleep_for(sim_.Options().delay);
            WriteAll(master, reply);
        }
    }

    DisplaySim sim_;
    std::ofstream& log_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::size_t logged_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    GuardStandardStreams();
    // Out of the box a display shows PC437, U.S.A., 100%, on the customer display, with a cursor.
    SimOptions options;
    ApplySetting(options.switches, Setting::Brightness, 0);
    ApplySetting(options.switches, Setting::PeripheralDevice, 1);
    ApplySetting(options.switches, Setting::CursorMode, 0);
    std::string logFile;
    if (const std::optional<int> status = ParseOptions(argc, argv, options, logFile)) {
        return *status;
    }
    std::ofstream log;
    if (!logFile.empty()) {
        log.open(logFile);
        if (!log) {
            std::cerr << "vemora-display-sim: cannot write " << logFile << "\n";
            return 2;
        }
    }
    PseudoTerminal pty;
    if (!OpenPseudoTerminal(pty)) {
        return 1;
    }
    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(s, &stop, nullptr);
    }
    std::cout << pty.path << std::endl;
    Server(options, log).Serve(pty.master.Get());
    return 0;
}
