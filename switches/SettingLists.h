#pragma once
// The settings of a display in the ESC/POS emulation, one row each: what its list shows, which
// switch cells hold it and how a list index is written there and read back, and how the command
// line and JSON name it. The dialogs, vemora-cli, its help and its completion all read this table;
// a setting of its own needs a row here and a list in each dialog form.

#include <array>
#include <cstdint>
#include <span>

#include "switches/SwitchImage.h"

namespace vemora {

enum class Setting { CodeTable, CharacterSet, Brightness, PeripheralDevice, CursorMode };

struct CodeTableEntry {
    const char* item;
    int value;  // value of bank 1 cells 1 to 6, and the number a direct code table command carries
};

inline constexpr std::array<CodeTableEntry, 17> CodeTableMap{{
    {"PC437 (USA: Standard Europe)", 0},
    {"Katakana", 1},
    {"PC850 (Multilingual)", 2},
    {"PC860 (Portugues)", 3},
    {"PC863 (Canadian-French)", 4},
    {"PC865 (Nordic)", 5},
    {"PC737 (Greek)", 29},
    {"WPC1250 (Central European)", 14},
    {"WPC1251 (Cyrillic)", 15},
    {"WPC1252 (Lantin 1)", 16},
    {"PC866 (Cyrillic #2)", 17},
    {"PC852 (Latin 2)", 18},
    {"PC858 (Euro)", 19},
    {"PC775 (Baltic)", 28},
    {"WPC1253 (Greek)", 30},
    {"WPC1254 (Turkish)", 31},
    {"PC864(Arabic)", 27},
}};

// The code table number for a list index; index 0 and any index outside the list give 0.
int CodeTableNumber(int index);
// The list index of a code table number; 0 for a number that stands in no row.
int CodeTableIndex(int number);

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
    const char* caption;                 // the label of its list
    std::span<const char* const> items;  // the list's items; an index is a position here
    SwitchCells cells;                   // where the display keeps it
    int (*number)(int index);            // what a pick of an item writes into the cells
    int (*index)(int number);  // the list index the cells show; one outside the list shows none
    const char* option;        // vemora-cli: --OPTION X, items OPTION
    const char* key;           // its JSON key; a dialog form names its list KEYList
};

// In bank order: bank 1 holds the code table ... bank 5 the cursor display mode.
inline constexpr auto kSettings = std::to_array<SettingRow>({
    {Setting::CodeTable, "Character code table", kCodeTableItems, SwitchCells{1, 1, 6},
     CodeTableNumber, CodeTableIndex, "code-table", "codeTable"},
    {Setting::CharacterSet, "International character set", kCharacterSetItems, SwitchCells{2, 1, 5},
     [](int index) { return index; }, [](int number) { return number; }, "charset", "characterSet"},
    {Setting::Brightness, "Brightness", kBrightnessItems, SwitchCells{3, 1, 3},
     [](int index) { return 4 - index; }, [](int number) { return 4 - number; }, "brightness",
     "brightness"},
    {Setting::PeripheralDevice, "Peripheral device", kPeripheralDeviceItems, SwitchCells{4, 1, 3},
     [](int index) { return index + 1; }, [](int number) { return number - 1; }, "peripheral",
     "peripheralDevice"},
    {Setting::CursorMode, "Cursor display mode", kCursorModeItems, SwitchCells{5, 1, 1},
     [](int index) { return index == 0 ? 1 : 0; }, [](int number) { return number != 0 ? 0 : 1; },
     "cursor", "cursorMode"},
});

inline constexpr std::size_t kSettingCount = kSettings.size();

inline constexpr std::array<Setting, kSettingCount> kAllSettings = [] {
    std::array<Setting, kSettingCount> all{};
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

// A list index for each setting; -1 is no selection. An index outside its list is kept as
// computed and only shows as no selection.
struct SwitchSelections {
    std::array<std::int32_t, kSettingCount> index = [] {
        std::array<std::int32_t, kSettingCount> none{};
        none.fill(-1);
        return none;
    }();

    std::int32_t& operator[](Setting setting) { return index[static_cast<std::size_t>(setting)]; }
    std::int32_t operator[](Setting setting) const {
        return index[static_cast<std::size_t>(setting)];
    }
    bool operator==(const SwitchSelections&) const = default;
};

// The list index each setting's cells show.
SwitchSelections SelectionsOf(const SwitchImage& image);

// Applies a list choice to the image: writes the item's number into the setting's cells.
inline void ApplySetting(SwitchImage& image, Setting setting, int index) {
    image.SetNumber(RowOf(setting).cells, RowOf(setting).number(index));
}

}  // namespace vemora
