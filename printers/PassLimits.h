#pragma once
// How long a pass over the printers may wait for the scheduler and for other programs.

#include <atomic>
#include <chrono>

namespace vemora {

// Each request to the scheduler gives up after this long.
inline constexpr std::chrono::seconds kRequestTimeout{3};
// A whole release or restore pass gives up after this long.
inline constexpr std::chrono::seconds kPassDeadline{10};
// A signal ends the program within a second: the printers get this long to be given back, and
// the next run gives back whatever is left.
inline constexpr std::chrono::milliseconds kRestoreOnSignal{700};

struct PassLimits {
    std::chrono::steady_clock::time_point deadline;
    // Set from another thread to end the pass at once (a signal ends the program).
    const std::atomic<bool>* interrupted = nullptr;

    bool Interrupted() const { return interrupted != nullptr && interrupted->load(); }
    bool Over() const { return Interrupted() || std::chrono::steady_clock::now() >= deadline; }
};

}  // namespace vemora
