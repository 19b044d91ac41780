#pragma once
// Locks that programs on this host share, as files held with flock in the lock folder: one per
// serial port, so that one run at a time uses it and parks printers for it, and one for every
// read-change-write of a parking mark, since the scheduler has no compare-and-set. On Windows they
// are named mutexes instead: one that a holder left by ending is abandoned, and taken as free.
//
// The lock folder is shared by every user (sticky, world-writable): a lock file is never opened
// with O_CREAT once it exists (fs.protected_regular refuses that for another user's file, even
// to root), never through a link, and never when it is not a regular file (a FIFO would hang).

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "printers/PassLimits.h"

namespace vemora {

// $VEMORA_LOCK_DIR when set (the tests' own folder), else /run/lock.
std::filesystem::path LockFolder();

// The device a port name stands for, links followed: /dev/serial/by-id/... and /dev/ttyUSB0 are
// one port. A path that does not resolve is used as it is.
std::string RealDevicePath(const std::string& devicePath);

// The lock file name of a device in the serial convention: /dev/ttyS0 -> LCK..ttyS0,
// /dev/pts/3 -> LCK..pts_3.
std::string PortLockName(const std::string& realPath);

enum class LockFailure {
    None,
    Held,         // another program holds it
    Stale,        // left by a process that has ended, in a file this user may not remove
    NotAFile,     // a FIFO, a folder or a device where the lock file should be
    Link,         // a symbolic link where the lock file should be
    CannotOpen,   // the file could not be opened or created: `error` says why
    CannotWrite,  // this process's pid could not be written into it: `error` says why
};

struct LockError {
    LockFailure failure = LockFailure::None;
    std::filesystem::path file;
    // Held: the holder (0 when nothing tells); Stale: the ended process named in the file.
    long pid = 0;
    std::string command;  // the holder's program name, when it shows
    // Held: the user the holder runs as; Stale, NotAFile, Link: the file's owner.
    std::string user;
    int error = 0;  // the system's error number (CannotOpen, CannotWrite)

    bool operator==(const LockError&) const = default;
};

// A lock held while the object lives.
class HeldLock {
  public:
    struct Hold;  // what the system holds: a locked file, a mutex
    explicit HeldLock(std::unique_ptr<Hold> hold);
    HeldLock(HeldLock&& other) noexcept;
    HeldLock& operator=(HeldLock&&) = delete;
    ~HeldLock();

  private:
    std::unique_ptr<Hold> hold_;
};

struct LockResult {
    std::optional<HeldLock> lock;
    LockError error;  // why there is no lock
};

// Takes the port's lock: the file `LCK..name` with this process's pid in the convention's
// 10-character line, held with flock. A lock whose process has ended is taken over, or removed
// and made anew when it is another user's and this user may remove it (otherwise Stale). Held
// when another program holds it, by flock or by a live pid in the file.
LockResult TakePortLock(const std::string& realPath);

// Waits, within the limits, for the host-wide lock of the parking marks; Held, with the holder
// where the system shows it, when the limits end first.
LockResult TakeMarkLock(const PassLimits& limits);

// The port locks of one run (or one dialog), each kept until Clear or the object's end.
class PortLocks {
  public:
    // Takes the lock of the device that `portName` ("COM1", a path, a link) leads to, unless
    // this object holds it already.
    LockError Take(const std::string& portName);
    void Clear();

  private:
    std::mutex mutex_;
    std::map<std::string, HeldLock> locks_;  // real device path -> its lock
};

}  // namespace vemora
