#pragma once
// The five settings of a display in the ESC/POS emulation, their captions and list items, shared
// by the dialogs and the command-line tool.

#include <array>
#include <cstdint>
#include <span>

#include "switches/SwitchImage.h"

namespace vemora {

// In bank order: bank 1 holds the code table ... bank 5 the cursor display mode.
enum class Setting { CodeTable, CharacterSet, Brightness, PeripheralDevice, CursorMode };

inline constexpr std::array<Setting, kBankCount> kAllSettings{
    Setting::CodeTable, Setting::CharacterSet, Setting::Brightness, Setting::PeripheralDevice,
    Setting::CursorMode};

const char* SettingCaption(Setting setting);
std::span<const char* const> SettingItems(Setting setting);

// The item an index stands for, or nullptr when the index shows as no selection.
const char* SettingItem(Setting setting, std::int32_t index);

// The member of SwitchSelections that holds the setting's list index.
std::int32_t SwitchSelections::*SelectionMember(Setting setting);

// Applies a list choice to the image: the Apply operation of the setting's bank.
void ApplySetting(SwitchImage& image, Setting setting, int index);

}  // namespace vemora
