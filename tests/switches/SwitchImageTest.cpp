#include <gtest/gtest.h>

#include <string>

#include "support/TestData.h"
#include "switches/SettingLists.h"
#include "switches/SwitchImage.h"

namespace vemora {
namespace {

using test::Digits;

std::string Text(const SwitchDigits& d) {
    return {d.begin(), d.end()};
}

TEST(SwitchImage, EveryCodeTableItemRoundTrips) {
    for (int i = 0; i < static_cast<int>(CodeTableMap.size()); ++i) {
        SwitchImage image;
        ApplySetting(image, Setting::CodeTable, i);
        EXPECT_EQ(SelectionsOf(image)[Setting::CodeTable], i) << CodeTableMap[i].item;
        // The same cells come back through a write and a read of the display.
        SwitchImage reread;
        reread.LoadBankDigits(1, image.FormatBankDigits(1));
        EXPECT_EQ(reread.Bank(1), image.Bank(1)) << CodeTableMap[i].item;
        EXPECT_EQ(image.Bank(1).cells[6], 0);
    }
}

// Also through a write and a read of the display: a setting keeps its number in cells that go out.
TEST(SwitchImage, EveryItemOfEveryListRoundTrips) {
    for (const SettingRow& row : kSettings) {
        for (int i = 0; i < static_cast<int>(row.items.size()); ++i) {
            SwitchImage image;
            ApplySetting(image, row.setting, i);
            SwitchImage reread;
            reread.LoadBankDigits(row.cells.bank, image.FormatBankDigits(row.cells.bank));
            EXPECT_EQ(SelectionsOf(reread)[row.setting], i) << row.caption << " " << row.items[i];
        }
    }
}

TEST(SwitchImage, BrightnessAndPeripheralForAllEightPatterns) {
    struct Row {
        std::string cells321;
        int brightness, peripheral;
    } rows[] = {
        {"000", 4, -1}, {"001", 3, 0},  {"010", 2, 1},  {"011", 1, 2},
        {"100", 0, 3},  {"101", -1, 4}, {"110", -2, 5}, {"111", -3, 6},
    };
    for (const Row& r : rows) {
        SwitchImage image;
        image.LoadBankDigits(3, Digits("00000" + r.cells321));
        image.LoadBankDigits(4, Digits("00000" + r.cells321));
        const SwitchSelections s = SelectionsOf(image);
        EXPECT_EQ(s[Setting::Brightness], r.brightness) << r.cells321;
        EXPECT_EQ(s[Setting::PeripheralDevice], r.peripheral) << r.cells321;
        // A pattern with no item stays in the image and goes back to the display as it came.
        EXPECT_EQ(Text(image.FormatBankDigits(3)), "00000" + r.cells321);
        EXPECT_EQ(Text(image.FormatBankDigits(4)), "00000" + r.cells321);
    }
}

TEST(SwitchImage, ApplyWritesTheExpectedDigits) {
    struct Case {
        Setting setting;
        int index;
        int bank;
        std::string digits;
    } cases[] = {
        {Setting::CodeTable, 16, 1, "00011011"},     // PC864(Arabic): cells 1, 2, 4, 5
        {Setting::CodeTable, 1, 1, "00000001"},      // Katakana
        {Setting::CodeTable, 6, 1, "00011101"},      // PC737 (Greek): 29
        {Setting::CharacterSet, 15, 2, "00001111"},  // China
        {Setting::CharacterSet, 13, 2, "00001101"},  // Korea
        {Setting::Brightness, 3, 3, "00000001"},     // 20%
        {Setting::Brightness, 0, 3, "00000100"},     // 100%
        {Setting::PeripheralDevice, 2, 4, "00000011"}, {Setting::CursorMode, 0, 5, "00000001"},
        {Setting::CursorMode, 1, 5, "00000000"},
    };
    for (const Case& c : cases) {
        SwitchImage image;
        ApplySetting(image, c.setting, c.index);
        EXPECT_EQ(Text(image.FormatBankDigits(c.bank)), c.digits)
            << SettingCaption(c.setting) << " " << c.index;
    }
}

TEST(SwitchImage, ReplyDigitsToSelectionsAndBack) {
    struct Case {
        int bank;
        std::string read;
        int selection;  // of the bank's setting
        std::string written;
    } cases[] = {
        {1, "00011101", 6, "00011101"},   // value 29: PC737 (Greek)
        {1, "11000101", 5, "00000101"},   // cells 7 and 8 are never written
        {1, "00100000", 0, "00100000"},   // value 32: shows PC437, cells stay until a pick
        {1, "00001000", 0, "00001000"},   // value 8 stands in no row
        {2, "00010000", 16, "00010000"},  // value 16: no item, written back unchanged
        {5, "00110001", 0, "00110001"},   // cells 5 and 6 carried
        {5, "00001110", 1, "00000000"},   // cells 2 to 4 never written
    };
    for (const Case& c : cases) {
        SwitchImage image;
        image.LoadBankDigits(c.bank, Digits(c.read));
        const SwitchSelections s = SelectionsOf(image);
        EXPECT_EQ(s[kAllSettings[c.bank - 1]], c.selection) << c.read;
        EXPECT_EQ(Text(image.FormatBankDigits(c.bank)), c.written) << c.read;
    }
}

TEST(SwitchImage, ReplyCellsAreDigitMinusZero) {
    SwitchImage image;
    image.LoadBankDigits(1, Digits("00011101"));
    const std::array<std::int32_t, 9> expected{0, 1, 0, 1, 1, 1, 0, 0, 0};
    EXPECT_EQ(image.Bank(1).cells, expected);

    image.LoadBankDigits(5, Digits("00000002"));  // a '2' is the number 2, and counts as on
    EXPECT_EQ(image.Bank(5).cells[1], 2);
    EXPECT_EQ(SelectionsOf(image)[Setting::CursorMode], 0);
    EXPECT_EQ(Text(image.FormatBankDigits(5)), "00000001");
}

TEST(SwitchImage, PickingReplacesOnlyTheSettingsCells) {
    SwitchImage image;
    image.LoadBankDigits(1, Digits("00100000"));
    ApplySetting(image, Setting::CodeTable, 1);
    EXPECT_EQ(Text(image.FormatBankDigits(1)), "00000001");

    image.LoadBankDigits(5, Digits("00110001"));
    ApplySetting(image, Setting::CursorMode, 1);
    EXPECT_EQ(Text(image.FormatBankDigits(5)), "00110000");

    image.LoadBankDigits(3, Digits("11111111"));
    ApplySetting(image, Setting::Brightness, 0);
    const std::array<std::int32_t, 9> bank3{0, 0, 0, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(image.Bank(3).cells, bank3);
}

TEST(SwitchImage, CellZeroIsNeverTouched) {
    SwitchImage image;
    for (int b = 1; b <= kBankCount; ++b) {
        image.Bank(b).cells[0] = 7 * b;
    }
    for (int b = 1; b <= kBankCount; ++b) {
        image.LoadBankDigits(b, Digits("11111111"));
        ApplySetting(image, kAllSettings[b - 1], 0);
    }
    for (int b = 1; b <= kBankCount; ++b) {
        EXPECT_EQ(image.Bank(b).cells[0], 7 * b);
    }
    image.Clear();
    EXPECT_EQ(image, SwitchImage{});
}

TEST(SwitchImage, ClearedImageSelections) {
    const SwitchSelections s = SelectionsOf(SwitchImage{});
    EXPECT_EQ(s[Setting::CodeTable], 0);
    EXPECT_EQ(s[Setting::CharacterSet], 0);
    EXPECT_EQ(s[Setting::Brightness], 4);
    EXPECT_EQ(s[Setting::PeripheralDevice], -1);
    EXPECT_EQ(s[Setting::CursorMode], 1);
}

TEST(SettingLists, ItemsAndCaptions) {
    EXPECT_STREQ(SettingItem(Setting::CodeTable, 16), "PC864(Arabic)");
    EXPECT_STREQ(SettingItem(Setting::CharacterSet, 4), "Denmak I");
    EXPECT_STREQ(SettingItem(Setting::PeripheralDevice, 2), "Both Printer and Customer Display");
    EXPECT_EQ(SettingItem(Setting::Brightness, 4), nullptr);
    EXPECT_EQ(SettingItem(Setting::PeripheralDevice, -1), nullptr);
    EXPECT_EQ(SettingItems(Setting::CharacterSet).size(), 16u);
    EXPECT_EQ(SettingItems(Setting::CodeTable).size(), 17u);
    EXPECT_STREQ(SettingCaption(Setting::CursorMode), "Cursor display mode");
}

TEST(CodeTableNumber, OutsideTheListIsZero) {
    EXPECT_EQ(CodeTableNumber(0), 0);
    EXPECT_EQ(CodeTableNumber(1), 1);
    EXPECT_EQ(CodeTableNumber(6), 0x1D);
    EXPECT_EQ(CodeTableNumber(16), 0x1B);
    EXPECT_EQ(CodeTableNumber(17), 0);
    EXPECT_EQ(CodeTableNumber(-1), 0);
}

}  // namespace
}  // namespace vemora
