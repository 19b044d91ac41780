#pragma once
// The serial settings handed to the channel.

#include <cstdint>
#include <string>

namespace vemora {

// Milliseconds; a read ends when its count has arrived, when more than `readInterval` passes after
// a byte without another, or when readTotalMultiplier x count + readTotalConstant have passed.
struct CommTimeouts {
    std::uint32_t readInterval = 10;
    std::uint32_t readTotalMultiplier = 10;
    std::uint32_t readTotalConstant = 10;
    std::uint32_t writeTotalMultiplier = 0;
    std::uint32_t writeTotalConstant = 0;
    bool operator==(const CommTimeouts&) const = default;
};

struct PortConfig {
    std::string portName;  // "COM1" ... "COM9", "\\.\COM10" ... "\\.\COM15", or a device path
    std::uint32_t baudRate = 9600;
    std::int32_t dataBits = 8;
    std::int32_t stopBits = 0;     // 0 one, 1 one and a half, 2 two
    std::int32_t parity = 0;       // 0 none, 1 odd, 2 even
    std::int32_t flowControl = 0;  // 0 CTS/DSR handshake only; else also XON/XOFF, RTS held on
    CommTimeouts timeouts;
    bool operator==(const PortConfig&) const = default;
};

}  // namespace vemora
