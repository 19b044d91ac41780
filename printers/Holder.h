#pragma once
// Who holds a parked printer: a process of some host, and the port it parked the printer for.

#include <string>
#include <string_view>
#include <vector>

namespace vemora {

struct Holder {
    long pid = 0;
    // When the process started (this boot's id and the clock ticks since boot), so that a pid
    // that was given to another process since is not taken for the holder.
    std::string start;
    std::string host;
    std::string port;  // the device's real path

    bool operator==(const Holder&) const = default;
};

// True for a number that can be a process id: anything else (0, negative, beyond pid_t such as
// 4294967297) must not reach kill(), where it would wrap to another process.
bool IsValidPid(long pid);

// This process, holding `port`.
Holder ThisProcess(const std::string& port);

// True when both are the same process (on whatever port).
bool SameProcess(const Holder& a, const Holder& b);

// True when the holder is a process of this host that has ended. A holder on another host is
// taken as alive: nothing here can tell.
bool IsGone(const Holder& holder);

// What the platform tells (PosixHolder, Win32Holder): this host's name, and whether the process of
// a holder of this host with a valid pid has ended.
std::string HostName();
bool HasEnded(const Holder& holder);

// "pid start host port" per holder, joined by "; ": one line, as a queue option keeps it.
std::string EncodeHolders(const std::vector<Holder>& holders);
// Entries that do not read as a holder are left out.
std::vector<Holder> DecodeHolders(std::string_view text);

}  // namespace vemora
