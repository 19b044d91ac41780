#include "printers/HostLock.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "printers/Holder.h"
#include "serial/FileHandle.h"

namespace vemora {
namespace {

constexpr const char* kMarkLockName = "vemora-printers.lock";
// Others read the pid in a port lock, and flock needs no more than reading.
constexpr mode_t kLockMode = 0644;

LockError Failure(LockFailure failure, const std::filesystem::path& path, int error = 0) {
    LockError result;
    result.failure = failure;
    result.file = path;
    result.error = error;
    return result;
}

bool IsRunning(long pid) {
    return IsValidPid(pid) && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

long PidIn(int fd) {
    char text[32] = {};
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? std::strtol(text, nullptr, 10) : 0;
}

std::string UserName(uid_t uid) {
    const passwd* user = getpwuid(uid);
    return user != nullptr ? user->pw_name : "uid " + std::to_string(uid);
}

// True when `fd` is still the file at `path`: a holder that ended may have removed it after this
// program opened it, and a lock on a removed file locks nothing.
bool StillThere(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// The process that holds a flock on the file, as /proc/locks shows it; 0 when none shows.
long FlockHolder(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        return 0;
    }
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%lu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long>(st.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, type, kind, access, id;
        long pid = 0;
        // Waiters show as "N: -> FLOCK ...": the holder's line has its type second.
        if (fields >> number >> type >> kind >> access >> pid >> id && type == "FLOCK" &&
            id == file) {
            return pid;
        }
    }
    return 0;
}

// The holder of a lock, with its program and user where /proc shows them.
LockError HeldBy(const std::filesystem::path& path, long pid) {
    LockError held = Failure(LockFailure::Held, path);
    held.pid = IsValidPid(pid) ? pid : 0;
    struct stat process {};
    const std::string proc = "/proc/" + std::to_string(held.pid);
    if (held.pid != 0 && stat(proc.c_str(), &process) == 0) {
        std::ifstream(proc + "/comm") >> held.command;
        held.user = UserName(process.st_uid);
    }
    return held;
}

// Who holds the flock on the file of `fd`: the process /proc/locks shows, else a live pid in the
// file.
long FlockHolderOf(int fd) {
    const long shown = FlockHolder(fd);
    return shown != 0 || !IsRunning(PidIn(fd)) ? shown : PidIn(fd);
}

// A file that is there but is no lock file, named with its owner.
LockError NoLockFile(LockFailure failure, const std::filesystem::path& path) {
    struct stat st {};
    LockError error = Failure(failure, path);
    if (lstat(path.c_str(), &st) == 0) {
        error.user = UserName(st.st_uid);
    }
    return error;
}

LockError OpenRefused(const std::filesystem::path& path, int error) {
    if (error == ELOOP) {
        return NoLockFile(LockFailure::Link, path);
    }
    if (error == EISDIR) {
        return NoLockFile(LockFailure::NotAFile, path);
    }
    return Failure(LockFailure::CannotOpen, path, error);
}

struct OpenedLock {
    FileHandle file;
    LockError error;
};

// Opens the lock file, creating it when it is missing (and only then). Not blocking and not
// following a link: a FIFO or a link planted in its place is refused, not waited on or followed.
OpenedLock OpenLockFile(const std::filesystem::path& path, int access) {
    const int flags = access | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    for (int attempt = 0; attempt < 5; ++attempt) {
        FileHandle file(open(path.c_str(), flags));
        if (!file && errno == ENOENT) {
            file = FileHandle(open(path.c_str(), flags | O_CREAT | O_EXCL, kLockMode));
            if (!file && errno == EEXIST) {
                continue;  // made by another run meanwhile: open that one
            }
            // Whatever the umask, other users' runs must be able to open it.
            if (file) {
                fchmod(file.Get(), kLockMode);
            }
        }
        if (!file) {
            return {{}, OpenRefused(path, errno)};
        }
        struct stat st {};
        if (fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            return {{}, NoLockFile(LockFailure::NotAFile, path)};
        }
        return {std::move(file), {}};
    }
    return {{}, OpenRefused(path, EEXIST)};
}

bool WritePid(int fd) {
    char line[16];
    const int length = std::snprintf(line, sizeof line, "%10d\n", static_cast<int>(getpid()));
    return ftruncate(fd, 0) == 0 && pwrite(fd, line, length, 0) == length;
}

// A stale lock of another user that this user may not write: removed while it is held, so that
// no one takes a lock on the file that goes; Stale, with its owner, when this user may not.
LockError RemoveStale(const std::filesystem::path& path, long pid) {
    if (unlink(path.c_str()) == 0) {
        return {};
    }
    LockError stale = NoLockFile(LockFailure::Stale, path);
    stale.pid = IsValidPid(pid) ? pid : 0;
    return stale;
}

}  // namespace

std::filesystem::path LockFolder() {
    const char* folder = std::getenv("VEMORA_LOCK_DIR");
    return folder != nullptr && *folder != '\0' ? folder : "/run/lock";
}

std::string RealDevicePath(const std::string& devicePath) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(devicePath, error);
    return error ? devicePath : real.string();
}

std::string PortLockName(const std::string& realPath) {
    std::string name = realPath.starts_with("/dev/") ? realPath.substr(5) : realPath;
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    return "LCK.." + name;
}

struct HeldLock::Hold {
    FileHandle file;
    std::filesystem::path path;
    bool removeAtEnd = false;

    ~Hold() {
        // Removed while still held, so that no one takes a lock on a file that is about to go.
        if (file && removeAtEnd) {
            unlink(path.c_str());
        }
    }
};

HeldLock::HeldLock(std::unique_ptr<Hold> hold) : hold_(std::move(hold)) {}
HeldLock::HeldLock(HeldLock&& other) noexcept = default;
HeldLock::~HeldLock() = default;

LockResult TakePortLock(const std::string& realPath) {
    const std::filesystem::path path = LockFolder() / PortLockName(realPath);
    for (int attempt = 0; attempt < 5; ++attempt) {
        OpenedLock opened = OpenLockFile(path, O_RDWR);
        // Another user's lock, which this user may not write: it may still be stale.
        const bool readOnly = opened.error.error == EACCES || opened.error.error == EPERM;
        if (readOnly) {
            opened = OpenLockFile(path, O_RDONLY);
        }
        if (opened.error.failure != LockFailure::None) {
            return {std::nullopt, opened.error};
        }
        const int fd = opened.file.Get();
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            return {std::nullopt, HeldBy(path, FlockHolderOf(fd))};
        }
        if (!StillThere(fd, path)) {
            continue;
        }
        // A program that keeps the convention without flock shows only by its live pid.
        if (const long pid = PidIn(fd); pid != getpid() && IsRunning(pid)) {
            return {std::nullopt, HeldBy(path, pid)};
        }
        if (readOnly) {
            if (LockError stale = RemoveStale(path, PidIn(fd));
                stale.failure != LockFailure::None) {
                return {std::nullopt, stale};
            }
            continue;
        }
        if (!WritePid(fd)) {
            return {std::nullopt, Failure(LockFailure::CannotWrite, path, errno)};
        }
        return {HeldLock(std::unique_ptr<HeldLock::Hold>(
                    new HeldLock::Hold{std::move(opened.file), path, true})),
                {}};
    }
    return {std::nullopt, Failure(LockFailure::Held, path)};
}

LockResult TakeMarkLock(const PassLimits& limits) {
    const std::filesystem::path path = LockFolder() / kMarkLockName;
    // flock needs no write access: any user's run can take a lock file that root made.
    OpenedLock opened = OpenLockFile(path, O_RDONLY);
    if (opened.error.failure != LockFailure::None) {
        return {std::nullopt, opened.error};
    }
    while (flock(opened.file.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (limits.Over()) {
            return {std::nullopt, HeldBy(path, FlockHolderOf(opened.file.Get()))};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {HeldLock(std::unique_ptr<HeldLock::Hold>(
                new HeldLock::Hold{std::move(opened.file), path, false})),
            {}};
}

}  // namespace vemora
