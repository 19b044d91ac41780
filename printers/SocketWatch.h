#pragma once
// Ends a request on a socket at its deadline, however the other side keeps it alive: a peer that
// trickles a byte now and then never lets a wait for silence run out. One thread of the process
// shuts down each watched socket whose deadline has passed or whose pass is interrupted.

#include <atomic>
#include <chrono>

namespace vemora {

class SocketWatch {
  public:
    // Watches `fd` until destroyed. When the watcher thread cannot run, nothing is watched: the
    // caller's own wait for silence still bounds a peer that stops.
    SocketWatch(int fd, std::chrono::steady_clock::time_point deadline,
                const std::atomic<bool>* interrupted);
    ~SocketWatch();

    SocketWatch(const SocketWatch&) = delete;
    SocketWatch& operator=(const SocketWatch&) = delete;

    // True once the socket was shut down: the request was cut off.
    bool Fired() const;

  private:
    unsigned long id_ = 0;
};

}  // namespace vemora
