#include "serial/MemoryWire.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "serial/LineTiming.h"

namespace vemora {

class MemoryWire::Device : public SerialDevice {
  public:
    explicit Device(MemoryWire& wire) : wire_(wire) {}
    OpenError Open(const PortConfig& config) override { return wire_.Open(config); }
    std::uint32_t Write(const Byte* data, std::uint32_t count) override {
        return wire_.Write(data, count);
    }
    std::uint32_t Read(Byte* data, std::uint32_t count) override { return wire_.Read(data, count); }
    void PurgeInput() override { wire_.DropArrived(); }
    void Close() override { wire_.Close(); }

  private:
    MemoryWire& wire_;
};

std::unique_ptr<SerialDevice> MemoryWire::MakeDevice() {
    return std::make_unique<Device>(*this);
}

void MemoryWire::SendToPc(std::span<const Byte> bytes, Duration delay, Duration spacing) {
    Duration at = clock_.Now() + delay;
    if (!toPc_.empty()) {
        at = std::max(at, toPc_.back().at);
    }
    for (Byte b : bytes) {
        toPc_.push_back({at, b});
        at += spacing;
    }
}

std::vector<Byte> MemoryWire::WrittenBytes() const {
    std::vector<Byte> all;
    for (const Transfer& t : written_) {
        all.insert(all.end(), t.bytes.begin(), t.bytes.end());
    }
    return all;
}

OpenError MemoryWire::Open(const PortConfig& config) {
    if (!dsr_) {
        return {OpenFailure::DsrOff, config.portName, "DSR is off"};
    }
    config_ = config;
    open_ = true;
    ++opens_;
    // Whatever waited in the input queue before the port was opened is purged.
    DropArrived();
    return {};
}

void MemoryWire::DropArrived() {
    while (!toPc_.empty() && toPc_.front().at <= clock_.Now()) {
        toPc_.pop_front();
    }
}

std::uint32_t MemoryWire::Write(const Byte* data, std::uint32_t count) {
    if (!cts_ || !dsr_) {
        clock_.Advance(WriteLimit(config_, count));
        return 0;
    }
    written_.push_back({clock_.Now(), {data, data + count}});
    clock_.Advance(LineTime(config_, count));
    if (onReceive_) {
        onReceive_(written_.back().bytes);
    }
    return count;
}

std::uint32_t MemoryWire::Read(Byte* data, std::uint32_t count) {
    using std::chrono::milliseconds;
    const CommTimeouts& t = config_.timeouts;
    const Duration start = clock_.Now();
    const std::uint64_t totalMs =
        static_cast<std::uint64_t>(t.readTotalMultiplier) * count + t.readTotalConstant;
    const std::optional<Duration> totalEnd =
        totalMs ? std::optional<Duration>(start + milliseconds(totalMs)) : std::nullopt;
    std::uint32_t got = 0;
    Duration lastByte{0};
    while (got < count) {
        std::optional<Duration> end = totalEnd;
        if (got > 0 && t.readInterval != 0) {
            const Duration intervalEnd = lastByte + milliseconds(t.readInterval);
            end = end ? std::min(*end, intervalEnd) : intervalEnd;
        }
        const bool byteInTime =
            !toPc_.empty() && (!end || std::max(toPc_.front().at, clock_.Now()) <= *end);
        if (!byteInTime) {
            // Without any time-out a real read would wait for good; here it returns what came.
            if (end) {
                clock_.AdvanceTo(*end);
            }
            break;
        }
        clock_.AdvanceTo(toPc_.front().at);
        data[got++] = toPc_.front().byte;
        lastByte = clock_.Now();
        toPc_.pop_front();
    }
    return got;
}

}  // namespace vemora
