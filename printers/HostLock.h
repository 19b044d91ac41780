#pragma once
// Locks that programs on this host share, as files held with flock in the lock folder: one per
// serial port, so that one run at a time parks printers for it and uses it, and one for every
// read-change-write of a parking mark, since the scheduler has no compare-and-set.

#include <filesystem>
#include <optional>
#include <string>

#include "printers/PassLimits.h"
#include "serial/SerialDevice.h"

namespace vemora {

// $VEMORA_LOCK_DIR when set (the tests' own folder), else /run/lock.
std::filesystem::path LockFolder();

// The device a port name stands for, links followed: /dev/serial/by-id/... and /dev/ttyUSB0 are
// one port. A path that does not resolve is used as it is.
std::string RealDevicePath(const std::string& devicePath);

// The lock file name of a device in the serial convention: /dev/ttyS0 -> LCK..ttyS0,
// /dev/pts/3 -> LCK..pts_3.
std::string PortLockName(const std::string& realPath);

// A lock file held while the object lives.
class HeldLock {
  public:
    HeldLock(int fd, std::filesystem::path path, bool removeAtEnd)
        : fd_(fd), path_(std::move(path)), removeAtEnd_(removeAtEnd) {}
    HeldLock(HeldLock&& other) noexcept;
    HeldLock& operator=(HeldLock&&) = delete;
    ~HeldLock();

  private:
    int fd_;
    std::filesystem::path path_;
    bool removeAtEnd_;
};

struct PortLockResult {
    std::optional<HeldLock> lock;
    OpenError error;  // Busy (with who holds it) or Other when there is no lock
};

// Takes the port's lock: the file `LCK..name` with this process's pid in the convention's
// 10-character line, held with flock. A lock whose process has ended is taken over. Busy when
// another program holds it, by flock or by a live pid in the file.
PortLockResult TakePortLock(const std::string& realPath);

// Waits, within the limits, for the host-wide lock of the parking marks.
std::optional<HeldLock> TakeMarkLock(const PassLimits& limits);

}  // namespace vemora
