#pragma once
// What status files need of the platform's file calls (PosixStatusFile, Win32StatusFile).

#include <filesystem>
#include <string>
#include <utility>

#include "switches/StatusFile.h"

namespace vemora {

inline FileResult Failure(FileOutcome outcome, const std::filesystem::path& path,
                          std::string reason) {
    return {outcome, path, std::move(reason)};
}

// A status file of `size` bytes: not one this program reads.
FileResult WrongSize(const std::filesystem::path& path, long long size);

// The file a save of `path` replaces, when it may: not a folder nor a device, in a folder that
// exists, takes new files and takes its name (as far as the system tells). The result's path is
// that file.
FileResult CheckSaveTarget(const std::filesystem::path& path);

// Puts the bytes in place of `target`, the file CheckSaveTarget found for a save of `path`, at
// once: a new file written through to the disk, then renamed over it.
FileResult WriteOver(const std::filesystem::path& path, const std::filesystem::path& target,
                     const StatusBytes& bytes);

}  // namespace vemora
