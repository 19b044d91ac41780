// vemora-display-sim: a customer display on a pseudo-terminal, for trying Vemora without one.
// Prints the device path on its first line, then serves until it is ended.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "sim/DisplaySim.h"
#include "switches/StatusFile.h"

namespace {

using namespace vemora;

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

constexpr const char* kUsage =
    R"(Usage: vemora-display-sim [options]
A customer display on a pseudo-terminal; its device path is printed on the first line.

  --mode M           escpos, korvant or others (default escpos; the others answer nothing)
  --switches FILE    the memory switches to start with, from a status file
  --log FILE         every byte received, one command per line in hex, with ms since start
faults:
  --silent           answer nothing
  --noise N          send N bytes before each sync byte
  --wrong-identity   a setup reply that is not one of ours
  --short-reply      switch replies that stop after four digits
  --digit-two BANK   bank 1..5 answers a '2' for its lowest on bit
  --deaf-bank BANK   bank 1..5 takes switch writes but keeps what it held
  --delay MS         wait MS before every reply
)";

bool ParseInt(const std::string& s, int low, int high, int& out) {
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), out);
    return error == std::errc{} && end == s.data() + s.size() && out >= low && out <= high;
}

// Reads the options; returns an error text, empty when they are good.
std::string ParseOptions(int argc, char** argv, SimOptions& o, std::string& logFile) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        const std::string value = hasValue ? argv[i + 1] : "";
        int n = 0;
        if (arg == "--silent") {
            o.silent = true;
        } else if (arg == "--wrong-identity") {
            o.wrongIdentity = true;
        } else if (arg == "--short-reply") {
            o.shortReply = true;
        } else if (arg == "--mode" && hasValue) {
            if (value != "escpos" && value != "korvant" && value != "others") {
                return "--mode is escpos, korvant or others";
            }
            o.emulation = value == "escpos"    ? SimEmulation::EscPos
                          : value == "korvant" ? SimEmulation::Korvant
                                               : SimEmulation::Others;
            ++i;
        } else if (arg == "--switches" && hasValue) {
            const FileResult r = LoadStatusFile(value, o.switches);
            if (!r.ok()) {
                return value + ": " + r.reason;
            }
            ++i;
        } else if (arg == "--log" && hasValue) {
            logFile = value;
            ++i;
        } else if (arg == "--noise" && hasValue && ParseInt(value, 0, 1000, n)) {
            o.noise = n;
            ++i;
        } else if (arg == "--digit-two" && hasValue && ParseInt(value, 1, kBankCount, n)) {
            o.digitTwoBank = n;
            ++i;
        } else if (arg == "--deaf-bank" && hasValue && ParseInt(value, 1, kBankCount, n)) {
            o.deafBank = n;
            ++i;
        } else if (arg == "--delay" && hasValue && ParseInt(value, 0, 60000, n)) {
            o.delay = std::chrono::milliseconds(n);
            ++i;
        } else {
            return "unknown or incomplete option " + arg;
        }
    }
    return {};
}

void ShowDisplay(const DisplaySim& sim) {
    const auto lines = sim.Lines();
    std::fprintf(stderr, "[%s]\n  |%-20s|\n  |%-20s|\n", SimStateName(sim.State()),
                 lines[0].c_str(), lines[1].c_str());
}

}  // namespace

int main(int argc, char** argv) {
    // Out of the box a display shows PC437, U.S.A., 100%, on the customer display, with a cursor.
    SimOptions options;
    options.switches.ApplyBrightness(0);
    options.switches.ApplyPeripheralDevice(1);
    options.switches.ApplyCursorMode(0);
    std::string logFile;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kUsage;
        return 0;
    }
    if (const std::string error = ParseOptions(argc, argv, options, logFile); !error.empty()) {
        std::cerr << "vemora-display-sim: " << error << "\n" << kUsage;
        return 2;
    }
    std::ofstream log;
    if (!logFile.empty()) {
        log.open(logFile);
        if (!log) {
            std::cerr << "vemora-display-sim: cannot write " << logFile << "\n";
            return 2;
        }
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("vemora-display-sim: pseudo-terminal");
        return 1;
    }
    const std::string path = ptsname(master);
    // Holding the far end open keeps the line up between the tool's runs; raw, so that nothing
    // the display sends is echoed back to it.
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (slave < 0 || tcgetattr(slave, &raw) != 0) {
        std::perror("vemora-display-sim: pseudo-terminal");
        return 1;
    }
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    struct sigaction stop {};
    stop.sa_handler = RequestStop;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(s, &stop, nullptr);
    }

    std::cout << path << std::endl;
    DisplaySim sim(options);
    ShowDisplay(sim);
    const auto start = std::chrono::steady_clock::now();
    std::vector<Byte> buffer(256);
    std::size_t logged = 0;
    while (!stopRequested) {
        pollfd pfd{master, POLLIN, 0};
        if (poll(&pfd, 1, 200) <= 0) {
            continue;
        }
        const ssize_t n = read(master, buffer.data(), buffer.size());
        if (n <= 0) {
            continue;
        }
        const auto state = sim.State();
        const auto lines = sim.Lines();
        const std::vector<Byte> reply = sim.Receive({buffer.data(), static_cast<std::size_t>(n)});
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        for (; logged < sim.Commands().size(); ++logged) {
            if (log) {
                log << ms << " " << sim.Commands()[logged] << std::endl;
            }
        }
        if (sim.State() != state || sim.Lines() != lines) {
            ShowDisplay(sim);
        }
        if (!reply.empty()) {
            std::this_thread::sleep_for(options.delay);
            for (std::size_t sent = 0; sent < reply.size();) {
                const ssize_t w = write(master, reply.data() + sent, reply.size() - sent);
                if (w <= 0) {
                    break;
                }
                sent += static_cast<std::size_t>(w);
            }
        }
    }
    close(slave);
    close(master);
    return 0;
}
