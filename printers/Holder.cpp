#include "printers/Holder.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>

namespace vemora {
namespace {

std::string BootId() {
    std::string id;
    std::ifstream("/proc/sys/kernel/random/boot_id") >> id;
    return id.substr(0, 8);
}

// Empty when there is no such process.
std::string ProcessStart(long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
        return {};
    }
    // After the command name: the state is field 3, the start time field 22.
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n) {
    }
    return fields ? BootId() + "-" + field : std::string();
}

std::string HostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

// The next word of `s`, removed from it.
std::string_view Word(std::string_view& s) {
    s = Trim(s);
    const std::size_t end = std::min(s.find(' '), s.size());
    const std::string_view word = s.substr(0, end);
    s.remove_prefix(end);
    return word;
}

}  // namespace

bool IsValidPid(long pid) {
    return pid > 0 && pid <= std::numeric_limits<pid_t>::max();
}

Holder ThisProcess(const std::string& port) {
    return {getpid(), ProcessStart(getpid()), HostName(), port};
}

bool SameProcess(const Holder& a, const Holder& b) {
    return a.pid == b.pid && a.start == b.start && a.host == b.host;
}

bool IsGone(const Holder& holder) {
    if (holder.host != HostName()) {
        return false;
    }
    if (!IsValidPid(holder.pid)) {
        return true;
    }
    const std::string start = ProcessStart(holder.pid);
    // Where /proc hides other users' processes, a live pid is all there is to go by.
    if (start.empty()) {
        return kill(static_cast<pid_t>(holder.pid), 0) != 0 && errno != EPERM;
    }
    return start != holder.start;
}

std::string EncodeHolders(const std::vector<Holder>& holders) {
    std::string text;
    for (const Holder& h : holders) {
        text += (text.empty() ? "" : "; ") + std::to_string(h.pid) + " " + h.start + " " + h.host +
                " " + h.port;
    }
    return text;
}

std::vector<Holder> DecodeHolders(std::string_view text) {
    std::vector<Holder> holders;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        std::string_view entry = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::string_view pid = Word(entry);
        Holder holder;
        const auto [last, error] = std::from_chars(pid.data(), pid.data() + pid.size(), holder.pid);
        holder.start = Word(entry);
        holder.host = Word(entry);
        holder.port = Trim(entry);
        if (error == std::errc{} && last == pid.data() + pid.size() && IsValidPid(holder.pid) &&
            !holder.port.empty()) {
            holders.push_back(std::move(holder));
        }
    }
    return holders;
}

}  // namespace vemora
