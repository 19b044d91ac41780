#include "switches/StatusFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
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

FileResult SaveStatusFile(const std::filesystem::path& path, const SwitchImage& image) {
    const StatusBytes bytes = EncodeStatus(image);
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    std::vector<char> pattern(temp.begin(), temp.end());
    pattern.push_back('\0');
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return Failure(FileOutcome::CannotWrite, path, SystemReason(errno));
    }
    temp = pattern.data();
    const bool written = ::fchmod(fd, TargetMode(path)) == 0 &&
                         WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        ::unlink(temp.c_str());
        return Failure(FileOutcome::CannotWrite, path,
                       SystemReason(written ? closeError : writeError));
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int renameError = errno;
        ::unlink(temp.c_str());
        return Failure(FileOutcome::CannotWrite, path, SystemReason(renameError));
    }
    return {FileOutcome::Ok, path, {}};
}

FileResult LoadStatusFile(const std::filesystem::path& path, SwitchImage& image) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
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
    if (static_cast<std::size_t>(got) != kStatusFileSize) {
        return Failure(FileOutcome::WrongFormat, path, "The file ended early");
    }
    image = DecodeStatus(bytes);
    return {FileOutcome::Ok, path, {}};
}

}  // namespace vemora
