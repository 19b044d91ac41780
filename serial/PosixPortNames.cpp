#include "serial/PortNames.h"

#include <algorithm>

namespace vemora {

const std::string_view kPortNameForms =
    "COM1 ... COM9, '\\\\.\\COM10' ...\n'\\\\.\\COM15' (quoted for the shell) or a device path";
const std::string_view kPortNameHint =
    "COM1 ... COM9, \\\\.\\COM10 ... \\\\.\\COM15 or a device path such as /dev/ttyUSB0";

bool IsPortName(std::string_view portName) {
    return std::find(kFixedPortNames.begin(), kFixedPortNames.end(), portName) !=
               kFixedPortNames.end() ||
           portName.starts_with('/');
}

std::string PortDevicePath(std::string_view portName) {
    if (const auto n = ComPortNumber(portName)) {
        return "/dev/ttyS" + std::to_string(*n - 1);
    }
    return std::string(portName);
}

}  // namespace vemora
