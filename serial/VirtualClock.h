#pragma once
// Time that passes only when told to: the tests' stand-in for the wall clock, so that pauses and
// read time-outs cost no real time and come out the same on every run.

#include <chrono>

namespace vemora {

class VirtualClock {
  public:
    using Duration = std::chrono::microseconds;

    Duration Now() const { return now_; }
    void Advance(Duration d) { now_ += d; }
    void AdvanceTo(Duration t) {
        if (t > now_) {
            now_ = t;
        }
    }

  private:
    Duration now_{0};
};

}  // namespace vemora
