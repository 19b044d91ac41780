#include "sim/WiredDisplay.h"

#include "serial/LineTiming.h"

namespace vemora {

WiredDisplay::WiredDisplay(MemoryWire& wire, SimOptions options)
    : wire_(wire), sim_(std::move(options)) {
    wire_.OnReceive([this](std::span<const Byte> bytes) {
        const std::vector<Byte> reply = sim_.Receive(bytes);
        if (!reply.empty()) {
            wire_.SendToPc(reply, sim_.Options().delay, LineTime(wire_.OpenedWith(), 1));
        }
    });
}

WiredDisplay::~WiredDisplay() {
    wire_.OnReceive({});
}

}  // namespace vemora
