#include "printers/SocketWatch.h"

#include <sys/socket.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

namespace vemora {
namespace {

using Clock = std::chrono::steady_clock;

// How often the watcher looks at the interrupt of a watched pass.
constexpr std::chrono::milliseconds kStep{50};

struct Watched {
    int fd;
    Clock::time_point deadline;
    const std::atomic<bool>* interrupted;
    bool fired = false;
};

// Lives as long as the process: its thread never ends, so it is never destroyed.
class Watcher {
  public:
    static Watcher* Get() {
        static std::mutex starting;
        static Watcher* watcher = nullptr;
        std::lock_guard lock(starting);
        if (watcher == nullptr) {
            auto* fresh = new Watcher;
            try {
                std::thread([fresh] { fresh->Run(); }).detach();
                watcher = fresh;
            } catch (const std::system_error&) {
                delete fresh;  // no thread now; the next request tries again
            }
        }
        return watcher;
    }

    unsigned long Add(const Watched& watched) {
        std::lock_guard lock(mutex_);
        watched_.emplace(++lastId_, watched);
        wake_.notify_one();
        return lastId_;
    }

    // Once removed, the socket is never shut down: its descriptor may be reused after this.
    void Remove(unsigned long id) {
        std::lock_guard lock(mutex_);
        watched_.erase(id);
    }

    bool Fired(unsigned long id) {
        std::lock_guard lock(mutex_);
        const auto found = watched_.find(id);
        return found != watched_.end() && found->second.fired;
    }

  private:
    [[noreturn]] void Run() {
        std::unique_lock lock(mutex_);
        while (true) {
            const Clock::time_point now = Clock::now();
            Clock::time_point next = Clock::time_point::max();
            for (auto& [id, w] : watched_) {
                // Again at each step: a client library that connects anew gets the same
                // descriptor back.
                if (w.fired || now >= w.deadline || (w.interrupted && w.interrupted->load())) {
                    shutdown(w.fd, SHUT_RDWR);
                    w.fired = true;
                }
                next = std::min(next, w.fired || w.interrupted ? now + kStep : w.deadline);
            }
            if (next == Clock::time_point::max()) {
                wake_.wait(lock);
            } else {
                wake_.wait_until(lock, next);
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<unsigned long, Watched> watched_;
    unsigned long lastId_ = 0;
};

}  // namespace

SocketWatch::SocketWatch(int fd, Clock::time_point deadline, const std::atomic<bool>* interrupted) {
    if (Watcher* watcher = Watcher::Get()) {
        id_ = watcher->Add({fd, deadline, interrupted});
    }
}

SocketWatch::~SocketWatch() {
    if (id_ != 0) {
        Watcher::Get()->Remove(id_);
    }
}

bool SocketWatch::Fired() const {
    return id_ != 0 && Watcher::Get()->Fired(id_);
}

}  // namespace vemora
