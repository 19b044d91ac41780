#pragma once
// A serial line in memory for tests: the PC's side is a SerialDevice for the channel, the other
// side is played by the test or the display simulator. It models DSR and CTS, bytes that arrive
// over time, and the read time-out rule, all on a VirtualClock.

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "serial/SerialDevice.h"
#include "serial/VirtualClock.h"

namespace vemora {

class MemoryWire {
  public:
    using Duration = VirtualClock::Duration;

    struct Transfer {
        Duration at;  // when the write began
        std::vector<Byte> bytes;
    };

    explicit MemoryWire(VirtualClock& clock) : clock_(clock) {}

    // The PC's side, for a CSerialChannel. The wire must outlive it.
    std::unique_ptr<SerialDevice> MakeDevice();

    // The display's side.
    void SetDsr(bool on) { dsr_ = on; }
    void SetCts(bool on) { cts_ = on; }
    // Bytes toward the PC: the first arrives `delay` from now, each further one `spacing` later.
    void SendToPc(std::span<const Byte> bytes, Duration delay = Duration{0},
                  Duration spacing = Duration{0});
    // Called with the bytes of every complete write, once they have crossed the line.
    void OnReceive(std::function<void(std::span<const Byte>)> handler) {
        onReceive_ = std::move(handler);
    }

    // What the tests look at.
    const std::vector<Transfer>& Written() const { return written_; }
    std::vector<Byte> WrittenBytes() const;
    void ClearWritten() { written_.clear(); }
    bool IsOpen() const { return open_; }
    int OpenCount() const { return opens_; }
    const PortConfig& OpenedWith() const { return config_; }
    VirtualClock& Clock() { return clock_; }

  private:
    class Device;

    struct Arrival {
        Duration at;
        Byte byte;
    };

    OpenError Open(const PortConfig& config);
    std::uint32_t Write(const Byte* data, std::uint32_t count);
    std::uint32_t Read(Byte* data, std::uint32_t count);
    void Close() { open_ = false; }
    // Drops the bytes that have arrived by now; those still on their way come later.
    void DropArrived();

    VirtualClock& clock_;
    bool dsr_ = true;
    bool cts_ = true;
    bool open_ = false;
    int opens_ = 0;
    PortConfig config_;
    std::deque<Arrival> toPc_;  // in order of arrival
    std::vector<Transfer> written_;
    std::function<void(std::span<const Byte>)> onReceive_;
};

}  // namespace vemora
