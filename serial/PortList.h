#pragma once
// The ports a user can choose from: the fixed names, then the serial devices of this machine.

#include <filesystem>
#include <string>
#include <vector>

namespace vemora {

struct PortChoice {
    std::string name;         // what Configure takes: "COM1", "\\.\COM10", "/dev/ttyUSB0"
    std::string description;  // the device behind it, and what it is when sysfs tells
    bool operator==(const PortChoice&) const = default;
};

// The fifteen fixed names in their order, then every other serial device present (USB adapters,
// on-board UARTs, devices known only by a /dev/serial/by-id link) as its /dev/NAME path, in name
// order. Each device comes once: a by-id link is its tty, and /dev/ttyS0 ... /dev/ttyS14 are COM1
// ... COM15. The console, virtual terminals and UARTs with no hardware behind them are left out.
// Reads sysfs only and opens no device: opening a port would raise its modem lines.
std::vector<PortChoice> ListPorts(const std::filesystem::path& sysRoot = "/sys",
                                  const std::filesystem::path& devRoot = "/dev");

}  // namespace vemora
