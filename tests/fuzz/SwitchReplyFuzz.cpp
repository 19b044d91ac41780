// Get Status against a display that answers anything, in time or late: the sync waits and the
// switch replies. An image it reads must save as a status file that loads again.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "flows/SwitchExchange.h"
#include "serial/MemoryWire.h"
#include "switches/StatusFile.h"

namespace {

class NoProgress : public vemora::Progress {
  public:
    void SetPosition(int) override {}
    void Step() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vemora;
    VirtualClock clock;
    MemoryWire wire(clock);
    CSerialChannel channel(wire.MakeDevice());
    PortConfig config;
    config.portName = "/dev/fuzz";
    config.timeouts = CommTimeouts{10, 10, 10, 0, 0};
    channel.Configure(config);
    channel.Open();
    // The display answers each command with the next piece of the input: a count, a delay in
    // steps of 2 ms (in time, or too late), then that many bytes.
    std::size_t at = 0;
    wire.OnReceive([&](std::span<const Byte>) {
        if (at + 2 > size) {
            return;
        }
        const std::size_t count = std::min<std::size_t>(data[at] % 24, size - at - 2);
        const auto delay = std::chrono::milliseconds(2 * data[at + 1]);
        wire.SendToPc(std::span<const Byte>(data + at + 2, count), delay);
        at += 2 + count;
    });
    NoProgress progress;
    SwitchImage image;
    const Outcome outcome = GetStatus(
        channel, [&](std::chrono::milliseconds ms) { clock.Advance(ms); }, progress, image);
    if (outcome == Outcome::GotStatus) {
        SwitchImage loaded;
        if (!DecodeStatusFile(EncodeStatus(image), loaded).ok() || loaded != image) {
            std::abort();  // it read what it would refuse to load
        }
    }
    return 0;
}
