#include "serial/PortNames.h"

namespace vemora {

const std::string_view kPortNameForms = "COMn or \\\\.\\COMn, such as COM3 or \\\\.\\COM16";
const std::string_view kPortNameHint = kPortNameForms;

bool IsPortName(std::string_view portName) {
    return ComPortNumber(portName).has_value();
}

std::string PortDevicePath(std::string_view portName) {
    if (const auto n = ComPortNumber(portName)) {
        return "COM" + std::to_string(*n);
    }
    return std::string(portName);
}

}  // namespace vemora
