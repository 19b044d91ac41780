#pragma once
// A CUPS scheduler of the test's own: started in a temporary folder, listening on a Unix socket
// there, reached by libcups and the lp tools through CUPS_SERVER, stopped by its pid.

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>

namespace vemora::test {

class PrivateCupsd {
  public:
    // Null, with the reason in `why`, when it cannot be started (e.g. cupsd is not installed).
    static std::unique_ptr<PrivateCupsd> Start(std::string& why);
    ~PrivateCupsd();

    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

    // A folder that the stand-in backends can write to: each job they print leaves a file
    // named after its queue.
    std::filesystem::path PrintedFolder() const { return folder_ / "printed"; }
    std::filesystem::path ErrorLog() const { return folder_ / "log" / "error_log"; }

  private:
    explicit PrivateCupsd(std::filesystem::path folder) : folder_(std::move(folder)) {}
    bool Launch(std::string& why);

    std::filesystem::path folder_;
    pid_t pid_ = -1;
};

// Runs a shell command; its exit status, with what it printed (stdout and stderr) in `output`.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace vemora::test
