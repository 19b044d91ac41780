#pragma once
// A channel on an in-memory wire with the simulated display at its far end, on virtual time: the
// bench that flow tests run on.

#include <chrono>
#include <optional>
#include <vector>

#include "protocol/Exchange.h"
#include "sim/WiredDisplay.h"
#include "support/TestData.h"

namespace vemora::test {

class DisplayBench {
  public:
    using Duration = VirtualClock::Duration;

    explicit DisplayBench(SimOptions options = {}) { Attach(std::move(options)); }

    // Puts another display on the line.
    void Attach(SimOptions options) {
        display_.reset();
        display_.emplace(wire_, std::move(options));
    }
    bool Open(const std::string& port = "/dev/wire") {
        PortConfig config;
        config.portName = port;
        channel_.Configure(config);
        return channel_.Open();
    }

    Pause PauseFn() {
        return [this](std::chrono::milliseconds ms) {
            pauses_.push_back({clock_.Now(), ms});
            clock_.Advance(ms);
        };
    }
    std::vector<std::chrono::milliseconds> PauseLengths() const {
        std::vector<std::chrono::milliseconds> out;
        for (const auto& p : pauses_) {
            out.push_back(p.length);
        }
        return out;
    }
    // The commands written, one entry per transfer.
    std::vector<std::vector<Byte>> Transfers() const {
        std::vector<std::vector<Byte>> out;
        for (const auto& t : wire_.Written()) {
            out.push_back(t.bytes);
        }
        return out;
    }

    struct PauseAt {
        Duration at;
        std::chrono::milliseconds length;
    };

    VirtualClock clock_;
    MemoryWire wire_{clock_};
    CSerialChannel channel_{wire_.MakeDevice()};
    std::optional<WiredDisplay> display_;
    std::vector<PauseAt> pauses_;

    DisplaySim& Sim() { return display_->Sim(); }
};

}  // namespace vemora::test
