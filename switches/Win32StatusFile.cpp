#include <windows.h>

#include <string>

#include "serial/Win32Errors.h"
#include "switches/StatusFile.h"
#include "switches/StatusFileSystem.h"

namespace vemora {
namespace {

FileResult LastFailure(FileOutcome outcome, const std::filesystem::path& path) {
    return Failure(outcome, path, Win32ErrorText(GetLastError()));
}

// A file handle that is closed when it goes.
struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
    }
};

bool WriteAll(HANDLE file, const StatusBytes& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && FlushFileBuffers(file);
}

}  // namespace

FileResult CheckSaveTarget(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Failure(FileOutcome::CannotWrite, path, "It names a folder, not a file");
    }
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
        return LastFailure(FileOutcome::CannotWrite, path);
    }
    if ((folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return Failure(FileOutcome::CannotWrite, path, "The folder is a file");
    }
    return {FileOutcome::Ok, path, {}};
}

FileResult WriteOver(const std::filesystem::path& path, const std::filesystem::path& target,
                     const StatusBytes& bytes) {
    std::filesystem::path temp = target;
    temp += L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    bool written = false;
    DWORD error = 0;
    {
        const Handle file{CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (file.h == INVALID_HANDLE_VALUE) {
            return LastFailure(FileOutcome::CannotWrite, path);
        }
        written = WriteAll(file.h, bytes);
        error = GetLastError();
    }
    if (!written) {
        DeleteFileW(temp.c_str());
        return Failure(FileOutcome::CannotWrite, path, Win32ErrorText(error));
    }
    // The CRT's rename() never replaces a file that exists.
    if (!MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const FileResult failed = LastFailure(FileOutcome::CannotWrite, path);
        DeleteFileW(temp.c_str());
        return failed;
    }
    return {FileOutcome::Ok, path, {}};
}

FileResult LoadStatusFile(const std::filesystem::path& path, SwitchImage& image) {
    const Handle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE) {
        return LastFailure(FileOutcome::CannotRead, path);
    }
    if (GetFileType(file.h) != FILE_TYPE_DISK) {
        return Failure(FileOutcome::CannotRead, path, "Not a regular file");
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.h, &size)) {
        return LastFailure(FileOutcome::CannotRead, path);
    }
    if (size.QuadPart != static_cast<LONGLONG>(kStatusFileSize)) {
        return WrongSize(path, size.QuadPart);
    }
    StatusBytes bytes{};
    DWORD got = 0;
    if (!ReadFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
        return LastFailure(FileOutcome::CannotRead, path);
    }
    FileResult decoded = DecodeStatusFile(std::span(bytes.data(), got), image);
    decoded.path = path;
    return decoded;
}

}  // namespace vemora
