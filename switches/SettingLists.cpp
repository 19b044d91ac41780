#include "switches/SettingLists.h"

namespace vemora {

namespace {

constexpr auto kCodeTableItems = [] {
    std::array<const char*, CodeTableMap.size()> items{};
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i] = CodeTableMap[i].item;
    }
    return items;
}();

constexpr std::array<const char*, 16> kCharacterSetItems{
    "U.S.A.",           "France", "Germany", "U.K.",       "Denmak I", "Sweden",        "Italy",
    "Spain I",          "Japan",  "Norway",  "Denmark II", "Spain II", "Latin America", "Korea",
    "Slovenia/Croatia", "China"};

constexpr std::array<const char*, 4> kBrightnessItems{"100%", "60%", "40%", "20%"};

constexpr std::array<const char*, 3> kPeripheralDeviceItems{"Printer", "Customer Display",
                                                            "Both Printer and Customer Display"};

constexpr std::array<const char*, 2> kCursorModeItems{"Cursor is displayed",
                                                      "Cursor is not displayed"};

}  // namespace

const char* SettingCaption(Setting setting) {
    switch (setting) {
        case Setting::CodeTable:
            return "Character code table";
        case Setting::CharacterSet:
            return "International character set";
        case Setting::Brightness:
            return "Brightness";
        case Setting::PeripheralDevice:
            return "Peripheral device";
        case Setting::CursorMode:
            return "Cursor display mode";
    }
    return "";
}

std::span<const char* const> SettingItems(Setting setting) {
    switch (setting) {
        case Setting::CodeTable:
            return kCodeTableItems;
        case Setting::CharacterSet:
            return kCharacterSetItems;
        case Setting::Brightness:
            return kBrightnessItems;
        case Setting::PeripheralDevice:
            return kPeripheralDeviceItems;
        case Setting::CursorMode:
            return kCursorModeItems;
    }
    return {};
}

const char* SettingItem(Setting setting, std::int32_t index) {
    const auto items = SettingItems(setting);
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
        return nullptr;
    }
    return items[index];
}

std::int32_t SwitchSelections::*SelectionMember(Setting setting) {
    switch (setting) {
        case Setting::CodeTable:
            return &SwitchSelections::codeTable;
        case Setting::CharacterSet:
            return &SwitchSelections::characterSet;
        case Setting::Brightness:
            return &SwitchSelections::brightness;
        case Setting::PeripheralDevice:
            return &SwitchSelections::peripheralDevice;
        case Setting::CursorMode:
            return &SwitchSelections::cursorMode;
    }
    return &SwitchSelections::codeTable;
}

void ApplySetting(SwitchImage& image, Setting setting, int index) {
    switch (setting) {
        case Setting::CodeTable:
            image.ApplyCodeTable(index);
            break;
        case Setting::CharacterSet:
            image.ApplyCharacterSet(index);
            break;
        case Setting::Brightness:
            image.ApplyBrightness(index);
            break;
        case Setting::PeripheralDevice:
            image.ApplyPeripheralDevice(index);
            break;
        case Setting::CursorMode:
            image.ApplyCursorMode(index);
            break;
    }
}

}  // namespace vemora
