#include <windows.h>

#include <chrono>

#include "printers/HostLock.h"

namespace vemora {

struct HeldLock::Hold {
    HANDLE mutex;

    ~Hold() {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
};

namespace {

// Seen by every session of the machine.
constexpr const char* kMarkLockName = "Global\\vemora-printers";

LockError Held(const std::string& name) {
    LockError held;
    held.failure = LockFailure::Held;
    held.file = name;
    return held;
}

LockError CannotOpen(const std::string& name) {
    LockError error;
    error.failure = LockFailure::CannotOpen;
    error.file = name;
    error.error = static_cast<int>(GetLastError());
    return error;
}

// Takes the named mutex, waiting up to `wait`; a mutex left by a holder that ended is abandoned
// and taken as any free one.
LockResult TakeMutex(const std::string& name, std::chrono::milliseconds wait) {
    const HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        return {std::nullopt, CannotOpen(name)};
    }
    const DWORD waited = WaitForSingleObject(mutex, static_cast<DWORD>(wait.count()));
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return {std::nullopt, Held(name)};
    }
    return {HeldLock(std::make_unique<HeldLock::Hold>(mutex)), {}};
}

}  // namespace

HeldLock::HeldLock(std::unique_ptr<Hold> hold) : hold_(std::move(hold)) {}
HeldLock::HeldLock(HeldLock&& other) noexcept = default;
HeldLock::~HeldLock() = default;

// COM names are the devices themselves: no links to follow.
std::string RealDevicePath(const std::string& devicePath) {
    return devicePath;
}

std::string PortLockName(const std::string& realPath) {
    return "Global\\vemora-port-" + realPath;
}

LockResult TakePortLock(const std::string& realPath) {
    return TakeMutex(PortLockName(realPath), std::chrono::milliseconds(0));
}

LockResult TakeMarkLock(const PassLimits& limits) {
    for (;;) {
        LockResult taken = TakeMutex(kMarkLockName, std::chrono::milliseconds(20));
        if (taken.lock || taken.error.failure != LockFailure::Held || limits.Over()) {
            return taken;
        }
    }
}

}  // namespace vemora
