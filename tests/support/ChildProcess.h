#pragma once
// The test's own child programs: started with their output on pipes, and the display simulator
// program on a pseudo-terminal.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/PrivateLockFolder.h"

namespace vemora::test {

struct Child {
    pid_t pid = -1;  // -1 when it could not be started
    int out = -1;    // the read end of its stdout pipe; -1 when its stdout went elsewhere
    int err = -1;    // the read end of its stderr pipe
};

// Starts a program (args[0] is its path) with its stdout and stderr on pipes; its stdout goes to
// `stdoutTo` instead when that is given.
Child Start(std::vector<std::string> args, int stdoutTo = -1);

// Reads a descriptor to its end and closes it.
std::string ReadAll(int fd);

// vemora-display-sim, running as long as this object lives.
class Simulator {
  public:
    explicit Simulator(std::vector<std::string> options);
    ~Simulator();

    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Its pseudo-terminal; empty when it did not come up.
    const std::string& Path() const { return path_; }

  private:
    Child child_;
    std::string path_;
};

// The commands a simulator started with `--log FILE` has heard, one line each, without the times.
std::vector<std::string> Heard(const std::filesystem::path& log);

}  // namespace vemora::test
