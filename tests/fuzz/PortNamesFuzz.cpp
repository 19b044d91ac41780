// Port names as a user types them: every name maps to a path, and a fixed name to a serial device.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "serial/PortNames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string path = vemora::PortDevicePath(name);
    const bool fixed = std::find(vemora::kFixedPortNames.begin(), vemora::kFixedPortNames.end(),
                                 name) != vemora::kFixedPortNames.end();
    if (fixed && !path.starts_with("/dev/ttyS")) {
        std::abort();
    }
    if (name.starts_with("/") && path != name) {
        std::abort();
    }
    return 0;
}
