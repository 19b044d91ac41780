#pragma once
// Switch images for tests, made the way an operator makes them: by picking list items.

#include <array>

#include "switches/SettingLists.h"

namespace vemora::test {

// The image that shows these items, in bank order: code table, character set, brightness,
// peripheral device, cursor display mode; every other switch bit off.
inline SwitchImage ImageShowing(const std::array<int, kSettingCount>& items) {
    SwitchImage image;
    for (std::size_t i = 0; i < kSettingCount; ++i) {
        ApplySetting(image, kAllSettings[i], items[i]);
    }
    return image;
}

}  // namespace vemora::test
