#include "switches/SettingLists.h"

namespace vemora {

// Every row stands at the position of its own setting, so RowOf may index the table.
static_assert([] {
    for (std::size_t i = 0; i < kSettings.size(); ++i) {
        if (static_cast<std::size_t>(kSettings[i].setting) != i) {
            return false;
        }
    }
    return true;
}());

const char* SettingItem(Setting setting, std::int32_t index) {
    const auto items = SettingItems(setting);
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
        return nullptr;
    }
    return items[index];
}

}  // namespace vemora
