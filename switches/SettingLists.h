#pragma once
// The five settings of a display in the ESC/POS emulation, one row each: what its list shows, where
// its selection is kept, what a pick does to the switch image, and how the command line and JSON
// name it. The dialogs, vemora-cli, its help and its completion all read this table.

#include <array>
#include <cstdint>
#include <span>

#include "switches/SwitchImage.h"

namespace vemora {

// In bank order: bank 1 holds the code table ... bank 5 the cursor display mode.
enum class Setting { CodeTable, CharacterSet, Brightness, PeripheralDevice, CursorMode };

inline constexpr auto kCodeTableItems = [] {
    std::array<const char*, CodeTableMap.size()> items{};
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i] = CodeTableMap[i].item;
    }
    return items;
}();

inline constexpr std::array<const char*, 16> kCharacterSetItems{
    "U.S.A.",           "France", "Germany", "U.K.",       "Denmak I", "Sweden",        "Italy",
    "Spain I",          "Japan",  "Norway",  "Denmark II", "Spain II", "Latin America", "Korea",
    "Slovenia/Croatia", "China"};

inline constexpr std::array<const char*, 4> kBrightnessItems{"100%", "60%", "40%", "20%"};

inline constexpr std::array<const char*, 3> kPeripheralDeviceItems{
    "Printer", "Customer Display", "Both Printer and Customer Display"};

inline constexpr std::array<const char*, 2> kCursorModeItems{"Cursor is displayed",
                                                             "Cursor is not displayed"};

struct SettingRow {
    Setting setting;
    const char* caption;                        // the label of its list
    std::span<const char* const> items;         // the list's items; an index is a position here
    std::int32_t SwitchSelections::*selection;  // where its list index is kept
    void (SwitchImage::*apply)(int index);      // what a pick of an item does to the image
    const char* option;                         // vemora-cli: --OPTION X, items OPTION
    const char* key;  // its JSON key; a dialog form names its list KEYList
};

inline constexpr std::array<SettingRow, kBankCount> kSettings{{
    {Setting::CodeTable, "Character code table", kCodeTableItems, &SwitchSelections::codeTable,
     &SwitchImage::ApplyCodeTable, "code-table", "codeTable"},
    {Setting::CharacterSet, "International character set", kCharacterSetItems,
     &SwitchSelections::characterSet, &SwitchImage::ApplyCharacterSet, "charset", "characterSet"},
    {Setting::Brightness, "Brightness", kBrightnessItems, &SwitchSelections::brightness,
     &SwitchImage::ApplyBrightness, "brightness", "brightness"},
    {Setting::PeripheralDevice, "Peripheral device", kPeripheralDeviceItems,
     &SwitchSelections::peripheralDevice, &SwitchImage::ApplyPeripheralDevice, "peripheral",
     "peripheralDevice"},
    {Setting::CursorMode, "Cursor display mode", kCursorModeItems, &SwitchSelections::cursorMode,
     &SwitchImage::ApplyCursorMode, "cursor", "cursorMode"},
}};

inline constexpr std::array<Setting, kBankCount> kAllSettings = [] {
    std::array<Setting, kBankCount> all{};
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = kSettings[i].setting;
    }
    return all;
}();

constexpr const SettingRow& RowOf(Setting setting) {
    return kSettings[static_cast<std::size_t>(setting)];
}

inline const char* SettingCaption(Setting setting) {
    return RowOf(setting).caption;
}
inline std::span<const char* const> SettingItems(Setting setting) {
    return RowOf(setting).items;
}

// The item an index stands for, or nullptr when the index shows as no selection.
const char* SettingItem(Setting setting, std::int32_t index);

// The member of SwitchSelections that holds the setting's list index.
inline std::int32_t SwitchSelections::*SelectionMember(Setting setting) {
    return RowOf(setting).selection;
}

// Applies a list choice to the image: the Apply operation of the setting's bank.
inline void ApplySetting(SwitchImage& image, Setting setting, int index) {
    (image.*RowOf(setting).apply)(index);
}

}  // namespace vemora
