#pragma once
// The display's five memory switches as held on the PC, and every conversion between switch
// bits, the digits on the line and the numbers the settings keep in them.

#include <array>
#include <cstdint>

#include "protocol/DisplayCommands.h"

namespace vemora {

// Cell 0 belongs to no switch bit; cells 1 to 8 hold bits 1 to 8 and count as on when non-zero.
struct SwitchBank {
    std::array<std::int32_t, 9> cells{};
    bool operator==(const SwitchBank&) const = default;
};

// Where a setting keeps its number: `count` cells of a bank from `first` on, the first one the
// least significant bit.
struct SwitchCells {
    int bank;
    int first;
    int count;
};

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

    // The number the cells hold, a cell counting as 1 when it is non-zero.
    int Number(SwitchCells cells) const;
    // Writes the low bits of `number` into the cells, each as 0 or 1; the bank's other cells stay.
    void SetNumber(SwitchCells cells, int number);
};

}  // namespace vemora
