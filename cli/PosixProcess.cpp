#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <system_error>
#include <thread>

#include "cli/Process.h"

namespace vemora {
namespace {

constexpr std::array kEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The ending signals, blocked in this thread and every thread started after it, so that only the
// watch takes them; a SIGUSR1 that this process sends tells the watch the run is over (one from
// outside is left unanswered).
sigset_t BlockEndingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : kEndingSignals) {
        sigaddset(&signals, s);
    }
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

// The signal that ends the run, or 0 when the run ended by itself.
int AwaitEndingSignal(const sigset_t& signals) {
    for (;;) {
        siginfo_t info{};
        const int signal = sigwaitinfo(&signals, &info);
        if (signal != SIGUSR1 && signal > 0) {
            return signal;
        }
        if (signal == SIGUSR1 && info.si_pid == getpid()) {
            return 0;
        }
    }
}

class PosixSignalWatch final : public SignalWatch {
  public:
    PosixSignalWatch(std::function<void(int)> onSignal)
        : signals_(BlockEndingSignals()), watcher_([this, onSignal = std::move(onSignal)] {
              const int signal = AwaitEndingSignal(signals_);
              if (signal != 0) {
                  onSignal(signal);
                  _exit(128 + signal);
              }
          }) {}
    ~PosixSignalWatch() override {
        pthread_kill(watcher_.native_handle(), SIGUSR1);
        watcher_.join();
    }

  private:
    const sigset_t signals_;
    std::thread watcher_;
};

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return {argv + 1, argv + argc};
}

void PrepareProcess() {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

std::unique_ptr<SignalWatch> WatchEndingSignals(std::function<void(int signal)> onSignal,
                                                std::string& error) {
    try {
        return std::make_unique<PosixSignalWatch>(std::move(onSignal));
    } catch (const std::system_error& failure) {
        error = failure.code().message();
        return nullptr;
    }
}

}  // namespace vemora
