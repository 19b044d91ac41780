#include "protocol/GuardedPort.h"

#include <algorithm>

#include "protocol/DisplayCommands.h"

namespace vemora {

namespace {

template <std::size_t N>
bool Is(const std::array<Byte, N>& command, const Byte* data, std::uint32_t count) {
    return count == N && std::equal(command.begin(), command.end(), data);
}

}  // namespace

bool GuardedPort::Ended(std::unique_lock<std::mutex>& lock) {
    if (shut_ && after_ == AfterShutdown::Waiting) {
        never_.wait(lock, [] { return false; });
    }
    return shut_;
}

OpenError GuardedPort::Open(const PortConfig& config) {
    std::unique_lock lock(mutex_);
    if (Ended(lock)) {
        return {OpenFailure::Other, config.portName, "The program is ending"};
    }
    OpenError error = port_->Open(config);
    open_ = error.failure == OpenFailure::None;
    inSetup_ = false;
    return error;
}

std::uint32_t GuardedPort::Write(const Byte* data, std::uint32_t count) {
    std::unique_lock lock(mutex_);
    if (Ended(lock)) {
        return 0;
    }
    const std::uint32_t moved = port_->Write(data, count);
    // Part of the command may have reached the display: it may be in its setup mode.
    if (moved > 0 && Is(CmdSetupEnter, data, count)) {
        inSetup_ = true;
    }
    if (moved == count && Is(CmdSetupExit, data, count)) {
        inSetup_ = false;
    }
    return moved;
}

std::uint32_t GuardedPort::Read(Byte* data, std::uint32_t count) {
    std::unique_lock lock(mutex_);
    return Ended(lock) ? 0 : port_->Read(data, count);
}

void GuardedPort::PurgeInput() {
    std::unique_lock lock(mutex_);
    if (!Ended(lock)) {
        port_->PurgeInput();
    }
}

void GuardedPort::Close() {
    std::lock_guard lock(mutex_);
    port_->Close();
    open_ = false;
    inSetup_ = false;
}

void GuardedPort::Shutdown() {
    std::lock_guard lock(mutex_);
    if (open_ && inSetup_ && !shut_) {
        port_->Write(CmdSetupExit.data(), CmdSetupExit.size());
    }
    port_->Close();
    open_ = false;
    inSetup_ = false;
    shut_ = true;
}

}  // namespace vemora
