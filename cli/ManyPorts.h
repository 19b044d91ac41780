#pragma once
// One command on many ports at once: a bench of USB adapters, or a shop's tills.

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/DisplayWork.h"

namespace vemora {

// One port's run: its exit status, what it printed on `out` and `err`, its progress in `work`.
using RunOnePort = std::function<int(const CliOptions& one, DisplayWork& work, std::ostream& out,
                                     std::ostream& err)>;

// At most this many ports are worked on at once; the others wait their turn. Each holds a thread
// and a few open files (the port, its lock, the scheduler's connection).
inline constexpr std::size_t kPortsAtOnce = 64;

// The runs of a command, one a port, as the end of the command or a signal finds them.
class PortRuns {
  public:
    explicit PortRuns(const CliOptions& options);
    ~PortRuns();

    // Runs the command on every port and returns the highest exit status. One port prints as it
    // goes. Several print once all have ended, port by port: each line led by the port's name,
    // or with --json one array holding an object per port (its document, its "port",
    // "exitStatus" and "messages").
    int RunAll(const RunOnePort& run, std::ostream& out, std::ostream& err);

    // A signal is ending the command: prints what the ports that ended printed, and each port
    // still under way as interrupted, with what it had done. Nothing when all was printed.
    void ReportInterrupted(int signal, std::ostream& out, std::ostream& err);

  private:
    struct Run;
    void RunOne(const RunOnePort& run, Run& one);
    void PrintAll(int signal, std::ostream& out, std::ostream& err);

    const CliOptions& options_;
    std::vector<std::unique_ptr<Run>> runs_;
    std::mutex mutex_;  // guards each run's end and the printing
    bool printed_ = false;
};

}  // namespace vemora
