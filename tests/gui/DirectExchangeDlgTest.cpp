#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "gui/DirectSettingsDlg.h"
#include "support/DisplayBench.h"
#include "tests/gui/DialogTesting.h"

namespace vemora {
namespace {

class DirectExchangeDlgTest : public DialogTest {
  protected:
    void SetUp() override {
        SimOptions display{.emulation = SimEmulation::Korvant};
        bench_.Attach(display);
        ASSERT_TRUE(bench_.Open());
        dialog_.emplace(&bench_.channel_);
        dialog_->show();
    }
    void Click(const char* button) {
        MessageBoxAnswerer messages;
        QTest::mouseClick(dialog_->findChild<QPushButton*>(button), Qt::LeftButton);
        shown_ = messages.Shown();
    }
    QComboBox* List(const char* name) { return dialog_->findChild<QComboBox*>(name); }

    testing::DisplayBench bench_;
    std::optional<CDirectSettingsDlg> dialog_;
    std::vector<ShownMessage> shown_;
};

// Enter is the dialog's OK, also with a button focused: nothing is sent.
TEST_F(DirectExchangeDlgTest, EnterEndsTheDialogSendingNothing) {
    dialog_->findChild<QPushButton*>("setStatusButton")->setFocus();
    PressEnter(&*dialog_);
    EXPECT_TRUE(bench_.Transfers().empty());
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(DirectExchangeDlgTest, SetStatusSendsCharacterSetThenCodeTable) {
    const struct {
        int codeTable, characterSet;
        Byte n, table;
    } cases[] = {{0, 0, 0x00, 0x00}, {6, 13, 0x0D, 0x1D}, {16, 15, 0x0F, 0x1B}};
    for (const auto& c : cases) {
        List("codeTableList")->setCurrentIndex(c.codeTable);
        List("characterSetList")->setCurrentIndex(c.characterSet);
        bench_.wire_.ClearWritten();
        Click("setStatusButton");
        EXPECT_TRUE(shown_.empty());
        EXPECT_EQ(bench_.Transfers(),
                  (std::vector<std::vector<Byte>>{testing::Bytes(CmdDirectCharset(c.n)),
                                                  testing::Bytes(CmdDirectCodeTable(c.table))}));
    }
}

TEST_F(DirectExchangeDlgTest, ListsSendNothingAndShowInformationSendsOneCommand) {
    List("codeTableList")->setCurrentIndex(3);
    List("characterSetList")->setCurrentIndex(3);
    EXPECT_TRUE(bench_.Transfers().empty());
    Click("showInformationButton");
    EXPECT_EQ(bench_.Transfers(), std::vector<std::vector<Byte>>{testing::Bytes(CmdDirectInfo)});
    EXPECT_EQ(bench_.Sim().State(), SimState::Information);
    dialog_.reset();
    EXPECT_EQ(bench_.Transfers().size(), 1u);
}

TEST_F(DirectExchangeDlgTest, PortThatTakesNothingIsAPortError) {
    bench_.wire_.SetCts(false);
    Click("setStatusButton");
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, "Port error! Check port, please.");
}

}  // namespace
}  // namespace vemora
