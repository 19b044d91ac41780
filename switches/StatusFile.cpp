#include "switches/StatusFile.h"

#include <algorithm>
#include <cstdint>
#include <system_error>

#include "switches/StatusFileSystem.h"
#include "switches/Utf8Path.h"

namespace vemora {

namespace {

constexpr std::string_view kExtension = ".sts";

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
    return path.parent_path() / Utf8Path(StatusSaveName(Utf8Text(path.filename())));
}

bool IsStatusLoadName(std::string_view name) {
    return name.ends_with("sts");
}

FileResult CheckStatusLoadName(const std::filesystem::path& path) {
    if (IsStatusLoadName(Utf8Text(path.filename()))) {
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
    return WriteOver(path, checked.path, EncodeStatus(image));
}

FileResult WrongSize(const std::filesystem::path& path, long long size) {
    return Failure(FileOutcome::WrongFormat, path,
                   "The file holds " + std::to_string(size) + " bytes, not " +
                       std::to_string(kStatusFileSize));
}

FileResult DecodeStatusFile(std::span<const Byte> bytes, SwitchImage& image) {
    if (bytes.size() != kStatusFileSize) {
        return WrongSize({}, static_cast<long long>(bytes.size()));
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

}  // namespace vemora
