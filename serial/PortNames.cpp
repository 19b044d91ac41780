#include "serial/PortNames.h"

#include <charconv>
#include <filesystem>

namespace vemora {

std::optional<unsigned> ComPortNumber(std::string_view portName) {
    if (portName.starts_with("\\\\.\\")) {
        portName.remove_prefix(4);
    }
    if (!portName.starts_with("COM") || portName.size() == 3 || portName[3] == '0') {
        return std::nullopt;
    }
    unsigned n = 0;
    const char* last = portName.data() + portName.size();
    const auto [end, error] = std::from_chars(portName.data() + 3, last, n);
    if (error != std::errc{} || end != last) {
        return std::nullopt;
    }
    return n;
}

std::string PortBaseName(std::string_view portName) {
    if (const auto n = ComPortNumber(portName)) {
        return "COM" + std::to_string(*n);
    }
    const std::string base = std::filesystem::path(portName).filename().string();
    return base.empty() ? std::string(portName) : base;
}

}  // namespace vemora
