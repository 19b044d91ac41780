#include "serial/PortNames.h"

#include <charconv>
#include <filesystem>

namespace vemora {

std::string PortDevicePath(std::string_view portName) {
    std::string_view rest = portName;
    if (rest.starts_with("\\\\.\\")) {
        rest.remove_prefix(4);
    }
    if (rest.starts_with("COM") && rest.size() > 3) {
        int n = 0;
        const char* first = rest.data() + 3;
        const char* last = rest.data() + rest.size();
        const auto [end, error] = std::from_chars(first, last, n);
        if (error == std::errc{} && end == last && n >= 1 && *first != '0') {
            return "/dev/ttyS" + std::to_string(n - 1);
        }
    }
    return std::string(portName);
}

std::string PortBaseName(std::string_view portName) {
    const std::string device = PortDevicePath(portName);
    if (device != portName) {
        return std::string(portName.substr(portName.rfind('\\') + 1));
    }
    const std::string base = std::filesystem::path(device).filename().string();
    return base.empty() ? device : base;
}

}  // namespace vemora
