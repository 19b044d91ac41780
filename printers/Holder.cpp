#include "printers/Holder.h"

#include <sys/types.h>

#include <algorithm>
#include <charconv>
#include <limits>

namespace vemora {
namespace {

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

bool SameProcess(const Holder& a, const Holder& b) {
    return a.pid == b.pid && a.start == b.start && a.host == b.host;
}

bool IsGone(const Holder& holder) {
    return holder.host == HostName() && (!IsValidPid(holder.pid) || HasEnded(holder));
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
