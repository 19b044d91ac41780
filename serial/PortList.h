#pragma once
// The ports a user can choose from: the fixed names, then the serial devices of this machine.

#include <filesystem>
#include <string>
#include <vector>

namespace vemora {

struct PortChoice {
    std::string name{};         // what Configure takes: "COM1", "\\.\COM10", "/dev/ttyUSB0", or a
                                // USB adapter's /dev/serial/by-id link
    std::string description{};  // the device behind it, and what it is when sysfs tells
    std::string device{};       // the device node: "/dev/ttyS0", "/dev/ttyUSB0"
    std::string byIdLink{};     // its /dev/serial/by-id link; empty when it has none
    std::string usbId{};        // USB vendor:product, "0403:6001"; empty when not a USB device
    bool operator==(const PortChoice&) const = default;
};

// The fifteen fixed names in their order, then every other serial device present (USB adapters,
// on-board UARTs, devices known only by a /dev/serial/by-id link) in the order of their tty names:
// one with a by-id link by that link, which stays the same across reboots and plug order (its
// description starts with the tty name), any other as its /dev/NAME path. Each device comes once:
// /dev/ttyS0 ... /dev/ttyS14 are COM1 ... COM15. The console, virtual terminals and UARTs with no
// hardware behind them are left out. Reads sysfs only and opens no device: opening a port would
// raise its modem lines.
std::vector<PortChoice> ListPorts(const std::filesystem::path& sysRoot = "/sys",
                                  const std::filesystem::path& devRoot = "/dev");

}  // namespace vemora
