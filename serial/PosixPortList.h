#pragma once
// The ports of a Linux machine, as sysfs and /dev tell of them.

#include <filesystem>
#include <vector>

#include "serial/PortList.h"

namespace vemora {

// The fifteen fixed names in their order, then every other serial device present (USB adapters,
// on-board UARTs, devices known only by a /dev/serial/by-id link) in the order of their tty names:
// one with a by-id link by that link, which stays the same across reboots and plug order (its
// description starts with the tty name), any other as its /dev/NAME path. Each device comes once:
// /dev/ttyS0 ... /dev/ttyS14 are COM1 ... COM15. The console, virtual terminals and UARTs with no
// hardware behind them are left out. Reads sysfs only.
std::vector<PortChoice> ListPortsUnder(const std::filesystem::path& sysRoot,
                                       const std::filesystem::path& devRoot);

}  // namespace vemora
