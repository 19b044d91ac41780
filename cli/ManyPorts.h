#pragma once
// One command on many ports at once: a bench of USB adapters, or a shop's tills.

#include <functional>
#include <ostream>

#include "cli/CliOptions.h"

namespace vemora {

// One port's run: its exit status, what it printed on `out` and `err`.
using RunOnePort = std::function<int(const CliOptions& one, std::ostream& out, std::ostream& err)>;

// Runs the command on every port of `options`, each in a thread of its own, and returns the
// highest exit status. One port prints as it goes. Several print once all have ended, port by
// port: each line led by the port's name, or with --json one array holding an object per port
// (its document, its "port", "exitStatus" and "messages").
int RunOnPorts(const CliOptions& options, const RunOnePort& run, std::ostream& out,
               std::ostream& err);

}  // namespace vemora
