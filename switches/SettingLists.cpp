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

int CodeTableNumber(int index) {
    if (index < 1 || index >= static_cast<int>(CodeTableMap.size())) {
        return 0;
    }
    return CodeTableMap[index].value;
}

int CodeTableIndex(int number) {
    for (std::size_t i = 0; i < CodeTableMap.size(); ++i) {
        if (CodeTableMap[i].value == number) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

const char* SettingItem(Setting setting, std::int32_t index) {
    const auto items = SettingItems(setting);
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
        return nullptr;
    }
    return items[index];
}

SwitchSelections SelectionsOf(const SwitchImage& image) {
    SwitchSelections selections;
    for (const SettingRow& row : kSettings) {
        selections[row.setting] = row.index(image.Number(row.cells));
    }
    return selections;
}

}  // namespace vemora
