#pragma once
// The port as a program holds it when a signal may end the run at any moment: the run is ended
// between two transfers, and a display left in its setup mode is told to leave it first, so that
// it does not wait in "USER SETUP MODE" until it is switched off.

#include <condition_variable>
#include <memory>
#include <mutex>

#include "serial/SerialDevice.h"

namespace vemora {

class GuardedPort final : public SerialDevice {
  public:
    // After the shutdown a transfer moves nothing and returns at once (Returning), or waits until
    // the program ends (Waiting), so that a run that is being ended reports nothing of its own.
    enum class AfterShutdown { Returning, Waiting };

    GuardedPort(std::unique_ptr<SerialDevice> port, AfterShutdown after)
        : port_(std::move(port)), after_(after) {}

    OpenError Open(const PortConfig& config) override;
    std::uint32_t Write(const Byte* data, std::uint32_t count) override;
    std::uint32_t Read(Byte* data, std::uint32_t count) override;
    void PurgeInput() override;
    void Close() override;

    // Waits for a transfer under way to end, sends CmdSetupExit when the display was told to enter
    // its setup mode and not yet to leave it, and closes the port for good: later transfers move
    // nothing. May be called from another thread than the one running the exchange.
    void Shutdown();

  private:
    // True when the port was shut down; waits for good first when the transfers are to wait.
    bool Ended(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable never_;
    std::unique_ptr<SerialDevice> port_;
    AfterShutdown after_;
    bool open_ = false;
    bool inSetup_ = false;
    bool shut_ = false;
};

}  // namespace vemora
