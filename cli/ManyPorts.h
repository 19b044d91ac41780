#pragma once
// One command on many ports at once: a bench of USB adapters, or a shop's tills.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/DisplayWork.h"
#include "cli/ProgressLines.h"

namespace vemora {

// Where one port's run reports: what it did (`work`, followed through `progress`, its progress
// line), what it printed on `out` and `err`, and with --json its own fields.
struct PortOutput {
    DisplayWork& work;
    PortProgress& progress;
    std::ostream& out;
    std::ostream& err;
    nlohmann::ordered_json& fields;
};

// One port's run: its exit status.
using RunOnePort = std::function<int(const CliOptions& one, PortOutput& output)>;

// At most this many ports are worked on at once; the others wait their turn. Each holds a thread
// and a few open files (the port, its lock, the scheduler's connection).
inline constexpr std::size_t kPortsAtOnce = 64;

// The runs of a command, one a port, as the end of the command or a signal finds them.
class PortRuns {
  public:
    PortRuns(const CliOptions& options, ProgressLines& lines);
    ~PortRuns();

    // Runs the command on every port and returns the highest exit status. One port prints as it
    // goes. Several print once all have ended, port by port, each line led by the port's name.
    // With --json one document: for one port (or a command that uses none) an object, for several
    // an array of them; each holds "port", "exitStatus", "messages" (what text mode says besides
    // the data) and the command's own fields.
    int RunAll(const RunOnePort& run, std::ostream& out, std::ostream& err);

    // A signal is ending the command: prints what the ports that ended printed, and each port
    // still under way as interrupted, with what it had done. Nothing when all was printed.
    void ReportInterrupted(int signal, std::ostream& out, std::ostream& err);

  private:
    struct Run;
    void RunOne(const RunOnePort& run, Run& one);
    void PrintAll(int signal, std::ostream& out, std::ostream& err);

    const CliOptions& options_;
    ProgressLines& lines_;
    std::vector<std::unique_ptr<Run>> runs_;
    std::mutex mutex_;  // guards each run's end and the printing
    bool printed_ = false;
};

}  // namespace vemora
