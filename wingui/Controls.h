#pragma once
// What the dialogs do with their controls: text in the system's wide characters, and lists filled,
// picked and read back. List items are addressed by index, as the dialog states know them.

#include <windows.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "dialogs/LineChoices.h"
#include "switches/SettingLists.h"
#include "wingui/Resources.h"

namespace vemora {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A window's text, e.g. what was typed into an editable list.
std::string TextOf(HWND window);

void AddItem(HWND list, std::string_view text);
// Items of the list tables (LineChoices.h), of the settings' rows and port names.
inline std::string_view ItemText(std::string_view text) {
    return text;
}
template <typename Value>
std::string_view ItemText(const ListItem<Value>& item) {
    return item.text;
}
template <typename Items>
void FillList(HWND list, const Items& items) {
    for (const auto& item : items) {
        AddItem(list, ItemText(item));
    }
}

// The index of the item the list shows; -1 for none.
int Selection(HWND list);
// Shows the item at `index`; none for -1 or an index beyond the items.
void Select(HWND list, int index);
std::string ItemAt(HWND list, int index);

// The list of each setting, in both settings dialogs, in the order of the settings.
inline constexpr std::array<int, kSettingCount> kListIds{
    IDC_CODE_TABLE, IDC_CHARACTER_SET, IDC_BRIGHTNESS, IDC_PERIPHERAL_DEVICE, IDC_CURSOR_MODE};
static_assert(std::find(kListIds.begin(), kListIds.end(), 0) == kListIds.end(),
              "a setting without the id of its list");

constexpr int ListId(Setting setting) {
    return kListIds[static_cast<std::size_t>(setting)];
}

}  // namespace vemora
