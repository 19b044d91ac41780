#pragma once
// The ports of vemora-cli: a name checked as -p takes it, and a --ports-from list, one port a line.
// A generated list may come out empty or as anything but text; it must never lead to a port that
// nobody named.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vemora {

inline constexpr std::size_t kPortsListLimit = 1024 * 1024;  // bytes in a --ports-from file
inline constexpr std::size_t kPortsLineLimit = 4096;         // bytes in one of its lines

// Empty when `name` is a port name vemora-cli takes, else what is wrong with it.
std::string CheckPortName(const std::string& name);

struct PortsList {
    std::vector<std::string> ports;
    int errorLine = 0;  // the line that is wrong; 0 when none is
    std::string error;  // what is wrong with it
};

// The ports in the text of a list: one a line, "#" starts a comment, blank lines and a leading
// UTF-8 byte order mark are left out. A line over kPortsLineLimit bytes, a NUL byte, a name that
// is no port, and a text of more than kPortsListLimit bytes are refused at their line.
PortsList ParsePortsList(std::string_view text);

struct ReadPorts {
    std::vector<std::string> ports;
    std::string error;  // what is wrong, naming the file; empty when it named ports
    int status = 0;     // the exit status for the error: 2 a list naming no port, else 4
};

// Reads a --ports-from file: at most one byte beyond kPortsListLimit is read, so that a device
// that never ends (/dev/zero) is refused like any long file.
ReadPorts ReadPortsFile(const std::string& file);

}  // namespace vemora
