#include "printers/HostLock.h"

#include "serial/PortNames.h"

namespace vemora {

LockError PortLocks::Take(const std::string& portName) {
    const std::string device = PortDevicePath(portName);
    if (device.empty()) {
        return {};
    }
    const std::string real = RealDevicePath(device);
    std::lock_guard lock(mutex_);
    if (locks_.contains(real)) {
        return {};
    }
    LockResult taken = TakePortLock(real);
    if (taken.lock) {
        locks_.emplace(real, std::move(*taken.lock));
    }
    return taken.error;
}

void PortLocks::Clear() {
    std::lock_guard lock(mutex_);
    locks_.clear();
}

}  // namespace vemora
