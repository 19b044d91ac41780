#pragma once
// A CUPS scheduler of the test's own: started in a temporary folder, listening on a Unix socket
// there, reached by libcups and the lp tools through CUPS_SERVER, stopped by its pid.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "support/PrivateLockFolder.h"

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

    // Stops the scheduler as a hung one (SIGSTOP), and lets it go on.
    void Freeze() const;
    void Thaw() const;

    std::filesystem::path Socket() const { return folder_ / "cupsd.sock"; }

  private:
    explicit PrivateCupsd(std::filesystem::path folder) : folder_(std::move(folder)) {}
    bool Launch(std::string& why);

    std::filesystem::path folder_;
    pid_t pid_ = -1;
};

// A socket in front of the private scheduler, which libcups of this process (and of children
// forked later) uses while it lives. It passes the requests on, and plays with the answers: it
// holds back every answer after the first request that `holdAfter` picks (calling `onHeld` once
// the scheduler has begun to answer it, so the request was carried out), or trickles every
// answer one byte per 30 ms.
class SchedulerRelay {
  public:
    struct Play {
        std::function<bool(std::string_view request)> holdAfter{};
        std::function<void()> onHeld{};
        bool trickle = false;
    };
    SchedulerRelay(const PrivateCupsd& cupsd, Play play);
    ~SchedulerRelay();

  private:
    void Accept();
    void Relay(int client) const;

    std::filesystem::path scheduler_;
    std::filesystem::path socket_;
    Play play_;
    int listener_ = -1;
    int stop_[2] = {-1, -1};
    std::thread accepter_;
    std::vector<std::thread> relays_;  // one per connection, started by the accepter
};

// The bytes that ask the scheduler to delete a queue option (an IPP deleteAttr value).
std::string DeleteAttributeBytes(const std::string& name);

// Runs a shell command; its exit status, with what it printed (stdout and stderr) in `output`.
int RunCommand(const std::string& command, std::string* output = nullptr);

// True once `done` holds; false when it did not within the limit.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::seconds limit = std::chrono::seconds(10));

// A queue as the scheduler shows it, read without the code under test.
struct Queue {
    std::string deviceUri;
    bool stopped = false;
    std::string message;

    bool operator==(const Queue&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Queue& queue);

Queue Look(const std::string& name);

// Tests that share one private scheduler; each test starts and ends with no queues. Without a
// scheduler the tests are skipped, or fail when CI is set.
class CupsdTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static void Shell(const std::string& command);
    static void AddQueue(const std::string& name, const std::string& deviceUri);

    static std::unique_ptr<PrivateCupsd> cupsd_;
    static std::string why_;
};

}  // namespace vemora::test
