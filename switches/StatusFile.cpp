#include "switches/StatusFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <vector>

namespace vemora {

namespace {

constexpr std::string_view kExtension = ".sts";

std::string SystemReason(int error) {
    return std::strerror(error);
}

FileResult Failure(FileOutcome outcome, const std::filesystem::path& path, std::string reason) {
    return {outcome, path, std::move(reason)};
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

// Follows symbolic links to the file they name, so that a save replaces that file and keeps the
// link.
std::filesystem::path FollowLinks(std::filesystem::path path, std::error_code& error) {
    constexpr int kMaxLinks = 40;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        std::error_code ignored;
        if (!std::filesystem::is_symlink(path, ignored)) {
            return path;
        }
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) {
            return path;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    error = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return path;
}

// The file a save of `path` replaces, when it may: not a folder nor a device, in a folder that
// exists and takes new files. The result's path is that file.
FileResult CheckSaveTarget(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path target = FollowLinks(path, error);
    if (error) {
        return Failure(FileOutcome::CannotWrite, path, error.message());
    }
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return Failure(
            FileOutcome::CannotWrite, path,
            S_ISDIR(st.st_mode) ? "It names a folder, not a file" : "Not a regular file");
    }
    // "folder/." so that a folder that is a file is "Not a directory".
    const std::filesystem::path folder =
        (target.has_parent_path() ? target.parent_path() : ".") / ".";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return Failure(FileOutcome::CannotWrite, path, SystemReason(errno));
    }
    return {FileOutcome::Ok, target, {}};
}

}  // namespace

StatusBytes EncodeStatus(const SwitchImage& image) {
    StatusBytes bytes{};
    std::size_t at = 0;
    for (const SwitchBank& bank : image.banks) {
        for (std::int32_t cell : bank.cells) {
            const auto u = static_cast<std::uint32_t>(cell);
            for (int i = 0; i < 4; ++i) {
                bytes[at++] = static_cast<Byte>(u >> (8 * i));
            }
        }
    }
    return bytes;
}

SwitchImage DecodeStatus(const StatusBytes& bytes) {
    SwitchImage image;
    std::size_t at = 0;
    for (SwitchBank& bank : image.banks) {
        for (std::int32_t& cell : bank.cells) {
            std::uint32_t u = 0;
            for (int i = 0; i < 4; ++i) {
                u |= static_cast<std::uint32_t>(bytes[at++]) << (8 * i);
            }
            cell = static_cast<std::int32_t>(u);
        }
    }
    return image;
}

std::string StatusSaveName(std::string_view name) {
    std::string result(name);
    if (!name.ends_with(kExtension)) {
        result += kExtension;
    }
    return result;
}

std::filesystem::path StatusSavePath(const std::filesystem::path& path) {
    return path.parent_path() / StatusSaveName(path.filename().string());
}

bool IsStatusLoadName(std::string_view name) {
    return name.ends_with("sts");
}

FileResult CheckStatusLoadName(const std::filesystem::path& path) {
    if (IsStatusLoadName(path.filename().string())) {
        return {FileOutcome::Ok, path, {}};
    }
    return Failure(FileOutcome::WrongFormat, path, "The name does not end in \"sts\"");
}

FileResult StatusSaveTarget(const std::filesystem::path& name) {
    std::error_code error;
    if (!name.has_filename() || std::filesystem::is_directory(name, error)) {
        return Failure(FileOutcome::CannotWrite, name, "It names a folder, not a file");
    }
    const FileResult checked = CheckSaveTarget(StatusSavePath(name));
    return {checked.outcome, StatusSavePath(name), checked.reason};
}

FileResult SaveStatusFile(const std::filesystem::path& path, const SwitchImage& image) {
    const FileResult checked = CheckSaveTarget(path);
    if (!checked.ok()) {
        return checked;
    }
    const std::filesystem::path& target = checked.path;
    const StatusBytes bytes = EncodeStatus(image);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> pattern(temp.begin(), temp.end());
    pattern.push_back('\0');
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return Failure(FileOutcome::CannotWrite, path, SystemReason(errno));
    }
    temp = pattern.data();
    const bool written = ::fchmod(fd, TargetMode(target)) == 0 &&
                         WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        ::unlink(temp.c_str());
        return Failure(FileOutcome::CannotWrite, path,
                       SystemReason(written ? closeError : writeError));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temp.c_str());
        return Failure(FileOutcome::CannotWrite, path, SystemReason(renameError));
    }
    return {FileOutcome::Ok, path, {}};
}

FileResult DecodeStatusFile(std::span<const Byte> bytes, SwitchImage& image) {
    if (bytes.size() != kStatusFileSize) {
        return Failure(FileOutcome::WrongFormat, {},
                       "The file holds " + std::to_string(bytes.size()) + " bytes, not " +
                           std::to_string(kStatusFileSize));
    }
    StatusBytes whole{};
    std::copy(bytes.begin(), bytes.end(), whole.begin());
    const SwitchImage decoded = DecodeStatus(whole);
    for (int bank = 1; bank <= kBankCount; ++bank) {
        for (int cell = 0; cell < 9; ++cell) {
            const std::int32_t value = decoded.Bank(bank).cells[cell];
            if (IsCarriedCell(bank, cell) && (value < 0 || value > kMaxDigitCell)) {
                return Failure(FileOutcome::WrongFormat, {},
                               "Bank " + std::to_string(bank) + " cell " + std::to_string(cell) +
                                   " holds " + std::to_string(value) +
                                   ", not a switch digit 0 to " + std::to_string(kMaxDigitCell));
            }
        }
    }
    image = decoded;
    return {FileOutcome::Ok, {}, {}};
}

FileResult LoadStatusFile(const std::filesystem::path& path, SwitchImage& image) {
    // Not blocking: a FIFO would otherwise wait in open for a writer that never comes.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return Failure(FileOutcome::CannotRead, path, SystemReason(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return Failure(FileOutcome::CannotRead, path, SystemReason(error));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return Failure(FileOutcome::CannotRead, path, "Not a regular file");
    }
    if (st.st_size != static_cast<off_t>(kStatusFileSize)) {
        ::close(fd);
        return Failure(FileOutcome::WrongFormat, path,
                       "The file holds " + std::to_string(st.st_size) + " bytes, not " +
                           std::to_string(kStatusFileSize));
    }
    StatusBytes bytes{};
    const ssize_t got = ReadAll(fd, bytes.data(), bytes.size());
    const int error = errno;
    ::close(fd);
    if (got < 0) {
        return Failure(FileOutcome::CannotRead, path, SystemReason(error));
    }
    FileResult decoded =
        DecodeStatusFile(std::span(bytes.data(), static_cast<std::size_t>(got)), image);
    decoded.path = path;
    return decoded;
}

}  // namespace vemora
