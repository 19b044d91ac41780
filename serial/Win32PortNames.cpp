#include "serial/PortNames.h"

namespace vemora {

std::string PortDevicePath(std::string_view portName) {
    if (const auto n = ComPortNumber(portName)) {
        return "COM" + std::to_string(*n);
    }
    return std::string(portName);
}

}  // namespace vemora
