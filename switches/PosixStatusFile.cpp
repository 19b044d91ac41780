#include "switches/StatusFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "serial/FileHandle.h"
#include "switches/StatusFileSystem.h"

namespace vemora {

namespace {

std::string SystemReason(int error) {
    return std::strerror(error);
}

bool WriteAll(int fd, const Byte* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Reads up to `size` bytes; returns the count, or -1 on an error.
ssize_t ReadAll(int fd, Byte* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// The mode a newly created file would get, or the mode of the file being replaced.
mode_t TargetMode(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return st.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string UserName(uid_t uid) {
    const passwd* user = ::getpwuid(uid);
    return user != nullptr ? user->pw_name : "uid " + std::to_string(uid);
}

// Why a link may not be followed, as the kernel's protected_symlinks has it: in a sticky folder
// that every user may write, only a link of the caller or of the folder's owner leads anywhere,
// so that no one can plant a link there that leads a save onto another user's file. Empty when
// it may.
std::string RefusedLink(const std::filesystem::path& link) {
    const std::filesystem::path folder = link.has_parent_path() ? link.parent_path() : ".";
    struct stat linkStat {};
    struct stat folderStat {};
    if (::lstat(link.c_str(), &linkStat) != 0 || ::stat(folder.c_str(), &folderStat) != 0) {
        return {};
    }
    const bool shared = (folderStat.st_mode & S_ISVTX) != 0 && (folderStat.st_mode & S_IWOTH) != 0;
    if (!shared || linkStat.st_uid == ::geteuid() || linkStat.st_uid == folderStat.st_uid) {
        return {};
    }
    return "It is a symbolic link of user " + UserName(linkStat.st_uid) +
           " in a folder that every user may write; such a link is not followed";
}

// Follows symbolic links to the file they name, so that a save replaces that file and keeps the
// link; a link that the kernel would not follow is refused.
FileResult FollowLinks(std::filesystem::path path) {
    constexpr int kMaxLinks = 40;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) {
            return {FileOutcome::Ok, path, {}};
        }
        if (std::string refused = RefusedLink(path); !refused.empty()) {
            return Failure(FileOutcome::CannotWrite, path, std::move(refused));
        }
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) {
            return Failure(FileOutcome::CannotWrite, path, error.message());
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return Failure(FileOutcome::CannotWrite, path, SystemReason(ELOOP));
}

// Why a new file `name` cannot be made in `folder`: gone (a working folder deleted meanwhile),
// not writable, or a name longer than the folder takes. Empty when it can.
std::string FolderRefusal(const std::filesystem::path& folder, const std::string& name) {
    // "folder/." so that a folder that is a file is "Not a directory".
    const std::filesystem::path entered = folder / ".";
    struct stat st {};
    if (::stat(entered.c_str(), &st) != 0 || ::access(entered.c_str(), W_OK | X_OK) != 0) {
        return SystemReason(errno);
    }
    if (st.st_nlink == 0) {
        return "The folder has been deleted";
    }
    const long longest = ::pathconf(entered.c_str(), _PC_NAME_MAX);
    if (longest > 0 && name.size() > static_cast<std::size_t>(longest)) {
        return SystemReason(ENAMETOOLONG);
    }
    return {};
}

// The bytes in a new file in `folder` with `mode`, written through to the disk; its path.
FileResult WriteTemporary(const std::filesystem::path& folder, mode_t mode,
                          const StatusBytes& bytes) {
    // Short, so that it fits wherever the final name does.
    std::string name = (folder / ".sts-XXXXXX").string();
    FileHandle file(::mkstemp(name.data()));
    if (!file) {
        return Failure(FileOutcome::CannotWrite, {}, SystemReason(errno));
    }
    if (::fchmod(file.Get(), mode) != 0 || !WriteAll(file.Get(), bytes.data(), bytes.size()) ||
        ::fsync(file.Get()) != 0 || !file.Close()) {
        const int error = errno;
        ::unlink(name.c_str());
        return Failure(FileOutcome::CannotWrite, {}, SystemReason(error));
    }
    return {FileOutcome::Ok, name, {}};
}

}  // namespace

FileResult CheckSaveTarget(const std::filesystem::path& path) {
    const FileResult followed = FollowLinks(path);
    if (!followed.ok()) {
        return Failure(FileOutcome::CannotWrite, path, followed.reason);
    }
    const std::filesystem::path& target = followed.path;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return Failure(
            FileOutcome::CannotWrite, path,
            S_ISDIR(st.st_mode) ? "It names a folder, not a file" : "Not a regular file");
    }
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (std::string refused = FolderRefusal(folder, target.filename().string()); !refused.empty()) {
        return Failure(FileOutcome::CannotWrite, path, std::move(refused));
    }
    return {FileOutcome::Ok, target, {}};
}

FileResult WriteOver(const std::filesystem::path& path, const std::filesystem::path& target,
                     const StatusBytes& bytes) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const FileResult temp = WriteTemporary(folder, TargetMode(target), bytes);
    if (!temp.ok()) {
        return Failure(FileOutcome::CannotWrite, path, temp.reason);
    }
    if (::rename(temp.path.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.path.c_str());
        return Failure(FileOutcome::CannotWrite, path, SystemReason(error));
    }
    return {FileOutcome::Ok, path, {}};
}

FileResult LoadStatusFile(const std::filesystem::path& path, SwitchImage& image) {
    // Not blocking: a FIFO would otherwise wait in open for a writer that never comes.
    const FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!file || ::fstat(file.Get(), &st) != 0) {
        return Failure(FileOutcome::CannotRead, path, SystemReason(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return Failure(FileOutcome::CannotRead, path, "Not a regular file");
    }
    if (st.st_size != static_cast<off_t>(kStatusFileSize)) {
        return WrongSize(path, st.st_size);
    }
    StatusBytes bytes{};
    const ssize_t got = ReadAll(file.Get(), bytes.data(), bytes.size());
    if (got < 0) {
        return Failure(FileOutcome::CannotRead, path, SystemReason(errno));
    }
    FileResult decoded =
        DecodeStatusFile(std::span(bytes.data(), static_cast<std::size_t>(got)), image);
    decoded.path = path;
    return decoded;
}

}  // namespace vemora
