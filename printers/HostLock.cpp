#include "printers/HostLock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace vemora {
namespace {

constexpr const char* kMarkLockName = "vemora-printers.lock";

bool IsRunning(long pid) {
    return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

long PidIn(int fd) {
    char text[32] = {};
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    return n > 0 ? std::strtol(text, nullptr, 10) : 0;
}

// True when `fd` is still the file at `path`: a holder that ended may have removed it after this
// program opened it, and a lock on a removed file locks nothing.
bool StillThere(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

OpenError HeldBy(const std::string& device, long pid, const std::filesystem::path& lock) {
    return {OpenFailure::Busy, device,
            (pid > 0 ? "process " + std::to_string(pid) + ", " : std::string()) + "lock " +
                lock.string()};
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

HeldLock::HeldLock(HeldLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      removeAtEnd_(other.removeAtEnd_) {}

HeldLock::~HeldLock() {
    if (fd_ < 0) {
        return;
    }
    // Removed while still held, so that no one takes a lock on a file that is about to go.
    if (removeAtEnd_) {
        unlink(path_.c_str());
    }
    close(fd_);
}

PortLockResult TakePortLock(const std::string& realPath) {
    const std::filesystem::path path = LockFolder() / PortLockName(realPath);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            // Another user's lock file that this user may not write: held, unless its pid ended.
            const int readable = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            const long pid = readable >= 0 ? PidIn(readable) : 0;
            if (readable >= 0) {
                close(readable);
            }
            if (IsRunning(pid)) {
                return {std::nullopt, HeldBy(realPath, pid, path)};
            }
            return {std::nullopt,
                    {OpenFailure::Other, realPath,
                     "cannot take the lock " + path.string() + ": " + std::strerror(errno)}};
        }
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const long pid = PidIn(fd);
            close(fd);
            return {std::nullopt, HeldBy(realPath, pid, path)};
        }
        if (!StillThere(fd, path)) {
            close(fd);
            continue;
        }
        // A program that keeps the convention without flock shows only by its live pid.
        if (const long pid = PidIn(fd); pid != getpid() && IsRunning(pid)) {
            close(fd);
            return {std::nullopt, HeldBy(realPath, pid, path)};
        }
        char line[16];
        const int length = std::snprintf(line, sizeof line, "%10d\n", static_cast<int>(getpid()));
        if (ftruncate(fd, 0) != 0 || pwrite(fd, line, length, 0) != length) {
            const std::string why = std::strerror(errno);
            close(fd);
            return {std::nullopt,
                    {OpenFailure::Other, realPath,
                     "cannot write the lock " + path.string() + ": " + why}};
        }
        return {HeldLock(fd, path, true), {}};
    }
    return {std::nullopt, HeldBy(realPath, 0, path)};
}

std::optional<HeldLock> TakeMarkLock(const PassLimits& limits) {
    const std::filesystem::path path = LockFolder() / kMarkLockName;
    // flock needs no write access: any user's run can take a lock file that root made.
    const int fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return std::nullopt;
    }
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (limits.Over()) {
            close(fd);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return HeldLock(fd, path, false);
}

}  // namespace vemora
