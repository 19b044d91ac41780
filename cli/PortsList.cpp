#include "cli/PortsList.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "serial/PortNames.h"

namespace vemora {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// What is wrong with a line as such, whatever it names; empty when nothing is.
std::string LineFault(std::string_view line) {
    if (line.size() > kPortsLineLimit) {
        return "the line is longer than " + std::to_string(kPortsLineLimit) + " bytes";
    }
    if (line.find('\0') != std::string_view::npos) {
        return "the line holds a NUL byte";
    }
    return {};
}

// The port a line names, without its comment and the blanks around it; empty when it names none.
std::string_view PortOnLine(std::string_view line) {
    line = line.substr(0, line.find('#'));
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
}

PortsList Refused(int line, std::string error) {
    return {{}, line, std::move(error)};
}

}  // namespace

std::string CheckPortName(const std::string& name) {
    if (IsPortName(name)) {
        return {};
    }
    return "unknown port \"" + name + "\": give " + std::string(kPortNameHint);
}

PortsList ParsePortsList(std::string_view text) {
    if (text.size() > kPortsListLimit) {
        const auto lines = std::count(text.begin(), text.begin() + kPortsListLimit, '\n');
        return Refused(static_cast<int>(lines) + 1, "the list is longer than 1 MiB");
    }
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    PortsList list;
    int number = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (std::string fault = LineFault(line); !fault.empty()) {
            return Refused(number, std::move(fault));
        }
        const std::string port(PortOnLine(line));
        if (port.empty()) {
            continue;
        }
        if (std::string wrong = CheckPortName(port); !wrong.empty()) {
            return Refused(number, std::move(wrong));
        }
        list.ports.push_back(port);
    }
    return list;
}

ReadPorts ReadPortsFile(const std::string& file) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        return {{}, "--ports-from " + file + " is a folder, not a list of ports", 4};
    }
    std::ifstream in(file, std::ios::binary);
    std::string text(kPortsListLimit + 1, '\0');
    if (in) {
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
    }
    if (!in && !in.eof()) {
        return {{}, "--ports-from " + file + " cannot be read: " + std::strerror(errno), 4};
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    PortsList list = ParsePortsList(text);
    if (!list.error.empty()) {
        return {{}, file + ":" + std::to_string(list.errorLine) + ": " + list.error, 4};
    }
    if (list.ports.empty()) {
        return {{}, file + " names no port", 2};
    }
    return {std::move(list.ports), {}, 0};
}

}  // namespace vemora
