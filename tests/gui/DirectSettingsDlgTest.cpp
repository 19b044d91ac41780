// The direct settings dialog's wiring: its lists and buttons reach DirectSettingsState, and its
// notices reach a box. What the state does is tried in tests/dialogs/.

#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "gui/DirectSettingsDlg.h"
#include "support/DisplayBench.h"
#include "tests/gui/DialogTesting.h"

namespace vemora {
namespace {

class DirectSettingsDlgTest : public DialogTest {
  protected:
    void SetUp() override {
        bench_.Attach({.emulation = SimEmulation::Korvant});
        ASSERT_TRUE(bench_.Open());
        dialog_.emplace(&bench_.channel_);
        Test(&*dialog_);
        dialog_->show();
    }
    std::vector<ShownMessage> Click(const char* button) {
        MessageBoxAnswerer messages;
        QTest::mouseClick(Button(button), Qt::LeftButton);
        return messages.Shown();
    }

    test::DisplayBench bench_;
    std::optional<CDirectSettingsDlg> dialog_;
};

TEST_F(DirectSettingsDlgTest, OpensOnTheFirstItemOfBothListsWithBothButtonsUsable) {
    EXPECT_EQ(dialog_->windowTitle(), "Vemora V1.0.3a");
    const struct {
        const char* name;
        Setting setting;
    } lists[] = {{"codeTableList", Setting::CodeTable},
                 {"characterSetList", Setting::CharacterSet}};
    for (const auto& l : lists) {
        const auto* list = List(l.name);
        ASSERT_NE(list, nullptr) << l.name;
        EXPECT_TRUE(list->isEnabled());
        EXPECT_EQ(list->currentIndex(), 0);
        const auto items = SettingItems(l.setting);
        ASSERT_EQ(list->count(), static_cast<int>(items.size()));
        for (int i = 0; i < list->count(); ++i) {
            EXPECT_EQ(list->itemText(i), items[i]);
        }
    }
    QStringList buttons;
    for (const QPushButton* button : dialog_->findChildren<QPushButton*>()) {
        EXPECT_TRUE(button->isEnabled());
        buttons << button->text();
    }
    EXPECT_EQ(buttons, (QStringList{"Set Status", "Show Information"}));
}

TEST_F(DirectSettingsDlgTest, ListsReachSetStatusAndShowInformationSendsItsCommand) {
    List("codeTableList")->setCurrentIndex(16);
    List("characterSetList")->setCurrentIndex(15);
    EXPECT_TRUE(bench_.Transfers().empty());
    EXPECT_TRUE(Click("setStatusButton").empty());
    Click("showInformationButton");
    EXPECT_EQ(bench_.Transfers(),
              (std::vector{test::Bytes(CmdDirectCharset(0x0F)),
                           test::Bytes(CmdDirectCodeTable(0x1B)), test::Bytes(CmdDirectInfo)}));
}

TEST_F(DirectSettingsDlgTest, PortThatTakesNothingShowsABox) {
    bench_.wire_.SetCts(false);
    const auto shown = Click("setStatusButton");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, NoticeOf(Outcome::PortError).text.c_str());
}

// Enter is the dialog's OK, also with a button focused: nothing is sent.
TEST_F(DirectSettingsDlgTest, EnterEndsTheDialogSendingNothing) {
    Button("setStatusButton")->setFocus();
    PressEnter(&*dialog_);
    EXPECT_TRUE(bench_.Transfers().empty());
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_->isVisible());
}

}  // namespace
}  // namespace vemora
