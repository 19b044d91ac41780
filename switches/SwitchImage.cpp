#include "switches/SwitchImage.h"

namespace vemora {

namespace {

// The cells each bank sends in a switch write; the others always go out as '0'. Bank 5 carries
// cells 5 and 6, which no setting uses but the display keeps.
constexpr std::array<std::array<bool, 9>, kBankCount> kCarried{{
    {false, true, true, true, true, true, true, false, false},
    {false, true, true, true, true, true, false, false, false},
    {false, true, true, true, false, false, false, false, false},
    {false, true, true, true, false, false, false, false, false},
    {false, true, false, false, false, true, true, false, false},
}};

}  // namespace

bool IsCarriedCell(int bank, int cell) {
    return kCarried[bank - 1][cell];
}

void SwitchImage::Clear() {
    banks = {};
}

void SwitchImage::LoadBankDigits(int bank, const SwitchDigits& digits) {
    SwitchBank& b = Bank(bank);
    for (int k = 1; k <= 8; ++k) {
        b.cells[k] = static_cast<std::int32_t>(static_cast<signed char>(digits[8 - k])) - '0';
    }
}

SwitchDigits SwitchImage::FormatBankDigits(int bank) const {
    const SwitchBank& b = Bank(bank);
    SwitchDigits digits;
    digits.fill('0');
    for (int k = 1; k <= 8; ++k) {
        if (IsCarriedCell(bank, k) && b.cells[k] != 0) {
            digits[8 - k] = '1';
        }
    }
    return digits;
}

SwitchDigits SwitchImage::ReadBankDigits(int bank) const {
    const SwitchBank& b = Bank(bank);
    SwitchDigits digits;
    for (int k = 1; k <= 8; ++k) {
        digits[8 - k] = static_cast<char>(b.cells[k] + '0');
    }
    return digits;
}

int SwitchImage::Number(SwitchCells cells) const {
    const SwitchBank& b = Bank(cells.bank);
    int number = 0;
    for (int bit = 0; bit < cells.count; ++bit) {
        if (b.cells[cells.first + bit] != 0) {
            number |= 1 << bit;
        }
    }
    return number;
}

void SwitchImage::SetNumber(SwitchCells cells, int number) {
    SwitchBank& b = Bank(cells.bank);
    for (int bit = 0; bit < cells.count; ++bit) {
        b.cells[cells.first + bit] = (number >> bit) & 1;
    }
}

}  // namespace vemora
