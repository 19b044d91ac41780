#include <windows.h>

#include "printers/Holder.h"

namespace vemora {
namespace {

// When the process was created, in 100 ns since 1601; empty when it cannot be told.
std::string ProcessStart(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) {
        return {};
    }
    return std::to_string((std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime);
}

}  // namespace

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    return name;
}

Holder ThisProcess(const std::string& port) {
    return {static_cast<long>(GetCurrentProcessId()), ProcessStart(GetCurrentProcess()), HostName(),
            port};
}

bool HasEnded(const Holder& holder) {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(holder.pid));
    if (process == nullptr) {
        // No such process; one that this user may not look at is alive.
        return GetLastError() == ERROR_INVALID_PARAMETER;
    }
    DWORD exitCode = 0;
    const bool ended = GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE;
    const std::string start = ProcessStart(process);
    CloseHandle(process);
    // A process id is given again once its process has ended.
    return ended || (!start.empty() && start != holder.start);
}

}  // namespace vemora
