#pragma once
// How long bytes take on the line at the configured settings.

#include <chrono>
#include <cstdint>

#include "serial/PortConfig.h"

namespace vemora {

// Start bit, data bits, parity bit, stop bits.
inline double BitsPerCharacter(const PortConfig& config) {
    const double stop = config.stopBits == 0 ? 1.0 : config.stopBits == 1 ? 1.5 : 2.0;
    return 1.0 + config.dataBits + (config.parity != 0 ? 1.0 : 0.0) + stop;
}

inline std::chrono::microseconds LineTime(const PortConfig& config, std::uint64_t bytes) {
    if (config.baudRate == 0) {
        return std::chrono::microseconds{0};
    }
    return std::chrono::microseconds{
        static_cast<std::int64_t>(bytes * BitsPerCharacter(config) * 1e6 / config.baudRate)};
}

// A write that the handshake lines hold back gives up after this long.
inline std::chrono::microseconds WriteLimit(const PortConfig& config, std::uint64_t bytes) {
    return std::chrono::seconds{1} + LineTime(config, bytes);
}

}  // namespace vemora
