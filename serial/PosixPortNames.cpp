#include "serial/PortNames.h"

namespace vemora {

std::string PortDevicePath(std::string_view portName) {
    if (const auto n = ComPortNumber(portName)) {
        return "/dev/ttyS" + std::to_string(*n - 1);
    }
    return std::string(portName);
}

}  // namespace vemora
