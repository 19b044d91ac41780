#pragma once
// What many tests make and compare: command bytes and switch digits, and (TempFolder.h) a folder
// of their own with whole files as bytes.

#include <string_view>
#include <vector>

#include "protocol/DisplayCommands.h"
#include "support/TempFolder.h"

namespace vemora::test {

template <typename Range>
std::vector<Byte> Bytes(const Range& r) {
    return {r.begin(), r.end()};
}

// Eight digits as a display sends them, D1 first: "00011101".
inline SwitchDigits Digits(std::string_view text) {
    SwitchDigits digits{};
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(digits.size()),
              digits.begin());
    return digits;
}

}  // namespace vemora::test
