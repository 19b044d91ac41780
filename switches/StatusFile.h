#pragma once
// Status files: a switch image kept on disk as its 45 cells, bank 1 cell 0 first, each a signed
// 32-bit little-endian number; 180 bytes with nothing else in them.

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "switches/SwitchImage.h"

namespace vemora {

inline constexpr std::size_t kStatusFileSize = 180;
using StatusBytes = std::array<Byte, kStatusFileSize>;

StatusBytes EncodeStatus(const SwitchImage& image);
SwitchImage DecodeStatus(const StatusBytes& bytes);

// Save appends ".sts" unless the name already ends in exactly ".sts" (case-sensitive).
std::string StatusSaveName(std::string_view name);
// The same rule on the file name of a path; the folder stays.
std::filesystem::path StatusSavePath(const std::filesystem::path& path);
// Load takes only names whose last three characters are exactly "sts".
bool IsStatusLoadName(std::string_view name);

enum class FileOutcome {
    Ok,
    WrongFormat,  // the name or the size is not that of a status file
    CannotRead,
    CannotWrite,
};

struct FileResult {
    FileOutcome outcome = FileOutcome::Ok;
    std::filesystem::path path;
    std::string reason;  // the system's words for a failure, e.g. "Permission denied"

    bool ok() const { return outcome == FileOutcome::Ok; }
};

// Writes the image to a temporary file beside `path` and renames it over `path`, so that a
// failed save leaves an existing file as it was. The path is used as given.
FileResult SaveStatusFile(const std::filesystem::path& path, const SwitchImage& image);

// Replaces `image` with the file's cells only when the file is exactly 180 bytes; on any failure
// the image is unchanged. The name rule is the caller's (IsStatusLoadName).
FileResult LoadStatusFile(const std::filesystem::path& path, SwitchImage& image);

}  // namespace vemora
