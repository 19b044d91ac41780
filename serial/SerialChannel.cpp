#include "serial/SerialChannel.h"

#include <utility>

namespace vemora {

CSerialChannel::CSerialChannel() : CSerialChannel(MakeSystemSerialDevice()) {}

CSerialChannel::CSerialChannel(std::unique_ptr<SerialDevice> device) : device_(std::move(device)) {}

CSerialChannel::~CSerialChannel() {
    Close();
}

bool CSerialChannel::Configure(PortConfig config) {
    std::string name = config.portName.empty() ? config_.portName : config.portName;
    const bool accepted = !config.portName.empty();
    config_ = std::move(config);
    config_.portName = std::move(name);
    return accepted;
}

bool CSerialChannel::Open() {
    if (open_) {
        return true;
    }
    if (config_.portName.empty()) {
        lastOpenError_ = {OpenFailure::NoSuchDevice, {}, "No port was chosen"};
        return false;
    }
    lastOpenError_ = device_->Open(config_);
    if (lastOpenError_.failure != OpenFailure::None) {
        return false;
    }
    open_ = 1;
    return true;
}

std::uint32_t CSerialChannel::Write(const Byte* data, std::uint32_t count) {
    if (!open_ || data == nullptr || count == 0) {
        return 0;
    }
    std::lock_guard lock(io_);
    return device_->Write(data, count);
}

std::uint32_t CSerialChannel::Read(Byte* data, std::uint32_t count) {
    if (!open_ || data == nullptr || count == 0) {
        return 0;
    }
    std::lock_guard lock(io_);
    return device_->Read(data, count);
}

void CSerialChannel::PurgeInput() {
    if (!open_) {
        return;
    }
    std::lock_guard lock(io_);
    device_->PurgeInput();
}

void CSerialChannel::Close() {
    if (open_) {
        device_->Close();
    }
    open_ = 0;
}

}  // namespace vemora
