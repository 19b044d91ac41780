#pragma once
// The display's five memory switches as held on the PC, and every conversion between switch
// bits, the digits on the line and the five list selections.

#include <array>
#include <cstdint>

#include "protocol/DisplayCommands.h"

namespace vemora {

// Cell 0 belongs to no switch bit; cells 1 to 8 hold bits 1 to 8 and count as on when non-zero.
struct SwitchBank {
    std::array<std::int32_t, 9> cells{};
    bool operator==(const SwitchBank&) const = default;
};

// The five list indexes of the memory switch dialog; -1 is no selection. An index outside its
// list is kept as computed and only shows as no selection.
struct SwitchSelections {
    std::int32_t codeTable = -1;
    std::int32_t characterSet = -1;
    std::int32_t brightness = -1;
    std::int32_t cursorMode = -1;
    std::int32_t peripheralDevice = -1;
    bool operator==(const SwitchSelections&) const = default;
};

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

// Whether a switch write sends cell `cell` (0 to 8) of bank `bank` (1 to 5); the others always
// go out as '0'.
bool IsCarriedCell(int bank, int cell);

// A display's digit, as a cell holds it after LoadBankDigits.
inline constexpr std::int32_t kMaxDigitCell = 9;

// Five banks, bank 1 first (bank-major, 45 cells).
struct SwitchImage {
    std::array<SwitchBank, kBankCount> banks{};

    SwitchBank& Bank(int bank) { return banks[bank - 1]; }
    const SwitchBank& Bank(int bank) const { return banks[bank - 1]; }
    bool operator==(const SwitchImage&) const = default;

    void Clear();
    // Replaces cells 1 to 8 of the bank: cell k := digit (9-k) - '0'. No digit is refused.
    void LoadBankDigits(int bank, const SwitchDigits& digits);
    // The eight digits of a switch write: '1' for every carried cell that is on, else '0'.
    SwitchDigits FormatBankDigits(int bank) const;
    // The eight digits of the switch reply that LoadBankDigits took, as they came on the line.
    SwitchDigits ReadBankDigits(int bank) const;
    SwitchSelections ComputeSelections() const;

    void ApplyCodeTable(int index);
    void ApplyCharacterSet(int index);
    void ApplyBrightness(int index);
    void ApplyPeripheralDevice(int index);
    void ApplyCursorMode(int index);
};

}  // namespace vemora
