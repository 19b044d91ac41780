#pragma once
// What vemora-cli does with a parsed command line, over whatever channel it is given.

#include <functional>
#include <ostream>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/DisplayWork.h"
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
    DisplayWork& work;  // the progress of the exchanges, for a signal's report
};

// Runs the command and returns the exit status.
int RunCli(const CliOptions& options, CliEnvironment& env);

int ExitStatusFor(Outcome outcome);

}  // namespace vemora
