#include "dialogs/DirectSettingsState.h"

#include <gtest/gtest.h>

#include "support/DisplayBench.h"
#include "tests/dialogs/RecordingView.h"

namespace vemora {
namespace {

class DirectSettingsStateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bench_.Attach({.emulation = SimEmulation::Korvant});
        ASSERT_TRUE(bench_.Open());
    }

    test::DisplayBench bench_;
    test::RecordingView view_;
    DirectSettingsState state_{&bench_.channel_, view_};
};

TEST_F(DirectSettingsStateTest, SetStatusSendsCharacterSetThenCodeTable) {
    const struct {
        int codeTable, characterSet;
        Byte n, table;
    } cases[] = {{0, 0, 0x00, 0x00}, {6, 13, 0x0D, 0x1D}, {16, 15, 0x0F, 0x1B}, {1, 0, 0, 0x01}};
    for (const auto& c : cases) {
        state_.OnPick(Setting::CodeTable, c.codeTable);
        state_.OnPick(Setting::CharacterSet, c.characterSet);
        // An index beyond a list is no pick.
        state_.OnPick(Setting::CharacterSet, 16);
        bench_.wire_.ClearWritten();
        for (int press = 0; press < 2; ++press) {
            state_.OnSetStatus();
        }
        EXPECT_TRUE(view_.shown.empty());
        const auto charset = test::Bytes(CmdDirectCharset(c.n));
        const auto table = test::Bytes(CmdDirectCodeTable(c.table));
        EXPECT_EQ(bench_.Transfers(), (std::vector{charset, table, charset, table}));
    }
}

TEST_F(DirectSettingsStateTest, PicksSendNothingAndShowInformationSendsOneCommand) {
    EXPECT_EQ(state_.Shown(Setting::CodeTable), 0);
    EXPECT_EQ(state_.Shown(Setting::CharacterSet), 0);
    state_.OnPick(Setting::CodeTable, 3);
    state_.OnPick(Setting::CharacterSet, 3);
    EXPECT_TRUE(bench_.Transfers().empty());
    state_.OnShowInformation();
    EXPECT_EQ(bench_.Transfers(), std::vector<std::vector<Byte>>{test::Bytes(CmdDirectInfo)});
    EXPECT_EQ(bench_.Sim().State(), SimState::Information);
    EXPECT_TRUE(view_.shown.empty());
}

TEST_F(DirectSettingsStateTest, PortThatTakesNothingIsAPortError) {
    bench_.wire_.SetCts(false);
    state_.OnSetStatus();
    state_.OnShowInformation();
    EXPECT_EQ(view_.shown, std::vector(2, NoticeOf(Outcome::PortError)));
}

}  // namespace
}  // namespace vemora
