#include "switches/SwitchImage.h"

namespace vemora {

namespace {

// Cells 1..count of a bank read as a base-2 number, cell 1 the least significant bit.
int ValueOf(const SwitchBank& bank, int count) {
    int value = 0;
    for (int k = 1; k <= count; ++k) {
        if (bank.cells[k] != 0) {
            value |= 1 << (k - 1);
        }
    }
    return value;
}

// Clears cells 1..count, then sets cell k wherever bit k-1 of value is set.
void StoreValue(SwitchBank& bank, int count, int value) {
    for (int k = 1; k <= count; ++k) {
        bank.cells[k] = (value >> (k - 1)) & 1;
    }
}

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

int CodeTableNumber(int index) {
    if (index < 1 || index >= static_cast<int>(CodeTableMap.size())) {
        return 0;
    }
    return CodeTableMap[index].value;
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

SwitchSelections SwitchImage::ComputeSelections() const {
    SwitchSelections s;
    s.codeTable = 0;
    const int table = ValueOf(Bank(1), 6);
    for (std::size_t i = 0; i < CodeTableMap.size(); ++i) {
        if (CodeTableMap[i].value == table) {
            s.codeTable = static_cast<std::int32_t>(i);
        }
    }
    s.characterSet = ValueOf(Bank(2), 5);
    s.brightness = 4 - ValueOf(Bank(3), 3);
    s.peripheralDevice = ValueOf(Bank(4), 3) - 1;
    s.cursorMode = Bank(5).cells[1] != 0 ? 0 : 1;
    return s;
}

void SwitchImage::ApplyCodeTable(int index) {
    StoreValue(Bank(1), 6, CodeTableNumber(index));
}

void SwitchImage::ApplyCharacterSet(int index) {
    StoreValue(Bank(2), 5, index);
}

void SwitchImage::ApplyBrightness(int index) {
    StoreValue(Bank(3), 3, 4 - index);
}

void SwitchImage::ApplyPeripheralDevice(int index) {
    StoreValue(Bank(4), 3, index + 1);
}

void SwitchImage::ApplyCursorMode(int index) {
    Bank(5).cells[1] = index == 0 ? 1 : 0;
}

}  // namespace vemora
