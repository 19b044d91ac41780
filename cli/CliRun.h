#pragma once
// What vemora-cli does with a parsed command line, over whatever channel it is given.

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <ostream>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/DisplayWork.h"
#include "cli/ProgressLines.h"
#include "flows/ConnectionCheck.h"
#include "serial/PortList.h"

namespace vemora {

struct CliEnvironment {
    CSerialChannel& channel;
    Pause pause;
    ReleasePrinters releasePrinters;
    std::function<std::vector<PortChoice>()> listPorts;
    std::ostream& out;
    std::ostream& err;
    DisplayWork& work;       // the progress of the exchanges, for a signal's report
    PortProgress& progress;  // the port's progress line; it tells `work` too
    // With --json, the command's own fields, which go out with the port, exit status and messages.
    nlohmann::ordered_json& fields;
};

// Runs the command and returns the exit status.
int RunCli(const CliOptions& options, CliEnvironment& env);

int ExitStatusFor(Outcome outcome);

// Each command's run, once the connection check has passed for those that use a port; each
// returns the exit status.
struct CommandRun;
int RunPorts(CommandRun& run);
int RunItems(CommandRun& run);
int RunShow(CommandRun& run);
int RunCheck(CommandRun& run);
int RunSelfTestCommand(CommandRun& run);
int RunInfo(CommandRun& run);
int RunDirect(CommandRun& run);
int RunGet(CommandRun& run);
int RunSet(CommandRun& run);
int RunApply(CommandRun& run);

}  // namespace vemora
