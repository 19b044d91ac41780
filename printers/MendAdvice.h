#pragma once
// How a printer left parked or stopped is mended by hand, in the words of this machine's spooler.

#include <string>
#include <string_view>

namespace vemora {

// Quoted for a shell, so that a name pasted from a message runs nothing.
inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// What the spooler calls a printer's port string.
extern const std::string_view kPortStringName;

// Besides vemora-cli printers --restore: how to give the printer `printer` its port string `port`
// back (and start it again if it was printing).
std::string MendParkedAdvice(const std::string& printer, const std::string& port);

// How to start the printer again.
std::string MendStoppedAdvice(const std::string& printer);

}  // namespace vemora
