// A --ports-from list as a generator may write it: any bytes give ports that -p would take, or a
// refusal at a line of the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/PortsList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vemora::PortsList list = vemora::ParsePortsList(text);
    if (list.error.empty() != (list.errorLine == 0) ||
        (!list.error.empty() && !list.ports.empty())) {
        std::abort();
    }
    for (const std::string& port : list.ports) {
        if (port.empty() || port.size() > vemora::kPortsLineLimit ||
            !vemora::CheckPortName(port).empty()) {
            std::abort();
        }
    }
    return 0;
}
