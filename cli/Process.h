#pragma once
// What vemora-cli needs of the process it runs in, on each system in its own way.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vemora {

// The command line's arguments after the program's name, as UTF-8.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Sets the process up for a run: a save beyond the file size limit fails as a write instead of
// ending the program, and many ports may hold many files at once (each its port, its lock and a
// connection to the scheduler); text reaches a console as UTF-8.
void PrepareProcess();

// Answers what ends a run from outside on a thread of its own: SIGINT, SIGTERM, SIGHUP and
// SIGQUIT; on Windows Ctrl+C and Ctrl+Break (as SIGINT), and the console closing, a log-off or a
// shutdown (as SIGHUP). `onSignal` gets the signal's number and ends every port's work; the
// process then ends with 128 + the number. The watch ends with the object.
class SignalWatch {
  public:
    virtual ~SignalWatch() = default;
};

// Null, with the reason in `error`, when the watch cannot start. Call it before any other thread
// is started.
std::unique_ptr<SignalWatch> WatchEndingSignals(std::function<void(int signal)> onSignal,
                                                std::string& error);

}  // namespace vemora
