#pragma once
// Status files: a switch image kept on disk as its 45 cells, bank 1 cell 0 first, each a signed
// 32-bit little-endian number; 180 bytes with nothing else in them.

#include <array>
#include <cstddef>
#include <filesystem>
#include <span>
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

// WrongFormat, saying why, for a name that Load does not take; Ok otherwise.
FileResult CheckStatusLoadName(const std::filesystem::path& path);

// The file a save under `name` writes, checked before anything else is done: ".sts" appended as
// StatusSavePath does and symbolic links followed to their target. CannotWrite, with the reason,
// for a folder or a name ending in "/", for a folder that is missing, deleted or not writable,
// for a name longer than the folder takes, and for a link the kernel's protected_symlinks would
// not follow (another user's, in a sticky folder that every user may write).
FileResult StatusSaveTarget(const std::filesystem::path& name);

// Writes the image to a temporary file beside `path` (beside the target of a symbolic link that
// may be followed, as StatusSaveTarget checks) and renames it over it, so that a failed save
// leaves an existing file as it was. The name is used as given: no extension is appended.
FileResult SaveStatusFile(const std::filesystem::path& path, const SwitchImage& image);

// The image in a status file's bytes: WrongFormat, saying why, unless there are exactly 180 and
// every cell that a switch write carries holds 0 to 9 (a display's digit). On any failure the
// image is unchanged.
FileResult DecodeStatusFile(std::span<const Byte> bytes, SwitchImage& image);

// Reads a regular file (anything else is refused at once) and decodes it as DecodeStatusFile
// does. The name rule is the caller's (CheckStatusLoadName).
FileResult LoadStatusFile(const std::filesystem::path& path, SwitchImage& image);

}  // namespace vemora
