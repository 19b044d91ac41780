#pragma once
// The ports a user can choose from: the fixed names, then the serial devices of this machine.

#include <string>
#include <vector>

namespace vemora {

struct PortChoice {
    std::string name{};         // what Configure takes: "COM1", "\\.\COM10", "/dev/ttyUSB0", a USB
                                // adapter's /dev/serial/by-id link, "\\.\COM16"
    std::string description{};  // the device behind it, and what it is when the system tells
    std::string device{};       // the device node: "/dev/ttyS0", "/dev/ttyUSB0", "\\.\COM3"
    std::string byIdLink{};     // its /dev/serial/by-id link; empty when it has none
    std::string usbId{};        // USB vendor:product, "0403:6001"; empty when not a USB device
    bool present = false;       // the system knows a device behind it; a fixed name may have none
    bool operator==(const PortChoice&) const = default;
};

// The fifteen fixed names in their order, then the other serial ports of this machine, each once.
// Opens no device: opening a port would raise its modem lines.
std::vector<PortChoice> ListPorts();

}  // namespace vemora
