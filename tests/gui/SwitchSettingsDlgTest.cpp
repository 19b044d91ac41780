// The memory switch dialog's wiring: its lists, buttons and file dialogs reach
// SwitchSettingsState, and what the state shows reaches the lists, the buttons, the progress bar
// and the message boxes. What the state does is tried in tests/dialogs/.

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <vector>

#include "gui/SwitchSettingsDlg.h"
#include "support/DisplayBench.h"
#include "support/SwitchImages.h"
#include "support/TestData.h"
#include "switches/StatusFile.h"
#include "tests/gui/DialogTesting.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;

class SwitchSettingsDlgTest : public DialogTest {
  protected:
    void SetUp() override {
        file_ = dir_ / "shop.sts";
        ASSERT_TRUE(bench_.Open());
        Test(&dialog_);
        progress_ = dialog_.findChild<QProgressBar*>();
        dialog_.SetFileChooser([this](StatusFileDialog which) {
            asked_.push_back(which);
            return file_;
        });
        dialog_.show();
    }

    // The list that the setting's caption labels.
    QComboBox* Labelled(Setting setting) {
        for (QLabel* label : dialog_.findChildren<QLabel*>()) {
            if (label->text() == SettingCaption(setting)) {
                return qobject_cast<QComboBox*>(label->buddy());
            }
        }
        return nullptr;
    }
    std::vector<int> ListIndexes() {
        std::vector<int> indexes;
        for (const Setting setting : kAllSettings) {
            indexes.push_back(Labelled(setting)->currentIndex());
        }
        return indexes;
    }
    void ExpectStatusHeld(bool held) {
        EXPECT_EQ(Button("setStatusButton")->isEnabled(), held);
        EXPECT_EQ(Button("saveStatusButton")->isEnabled(), held);
        for (const Setting setting : kAllSettings) {
            EXPECT_EQ(Labelled(setting)->isEnabled(), held) << SettingCaption(setting);
        }
        for (const char* always : {"getStatusButton", "loadStatusButton", "exitButton"}) {
            EXPECT_TRUE(Button(always)->isEnabled()) << always;
        }
    }

    // What the operator saw when the message came up.
    struct AtMessage {
        QString text;
        QMessageBox::Icon icon;
        int progress;
        std::vector<int> lists;
        bool setEnabled;
    };
    std::vector<AtMessage> Click(const char* button) {
        std::vector<AtMessage> seen;
        ModalAnswerer answer([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            seen.push_back({box->text(), box->icon(), progress_->value(), ListIndexes(),
                            Button("setStatusButton")->isEnabled()});
            box->accept();
        });
        QTest::mouseClick(Button(button), Qt::LeftButton);
        return seen;
    }

    test::DisplayBench bench_;
    CSwitchSettingsDlg dialog_{&bench_.channel_, bench_.PauseFn()};
    QProgressBar* progress_ = nullptr;
    test::TempFolder dir_{"dlg"};
    fs::path file_;
    std::vector<StatusFileDialog> asked_;
};

TEST_F(SwitchSettingsDlgTest, OpensWithNoStatusAndTheTablesItems) {
    EXPECT_EQ(dialog_.windowTitle(), "Vemora V1.0.3a(Epson Mode)");
    ExpectStatusHeld(false);
    for (const Setting setting : kAllSettings) {
        QComboBox* list = Labelled(setting);
        ASSERT_NE(list, nullptr) << SettingCaption(setting);
        EXPECT_EQ(list->currentIndex(), -1);
        const auto items = SettingItems(setting);
        ASSERT_EQ(list->count(), static_cast<int>(items.size()));
        for (int i = 0; i < list->count(); ++i) {
            EXPECT_EQ(list->itemText(i), items[i]);
        }
    }
    EXPECT_EQ(progress_->minimum(), 0);
    EXPECT_EQ(progress_->maximum(), 100);
    EXPECT_EQ(progress_->value(), 0);
}

TEST_F(SwitchSettingsDlgTest, TabGoesThroughListsThenButtons) {
    std::vector<QWidget*> expected;
    for (const Setting setting : kAllSettings) {
        expected.push_back(Labelled(setting));
    }
    for (const char* name : {"getStatusButton", "setStatusButton", "saveStatusButton",
                             "loadStatusButton", "exitButton"}) {
        expected.push_back(Button(name));
    }
    EXPECT_EQ(TabOrder(expected), expected);
}

TEST_F(SwitchSettingsDlgTest, GetStatusShowsTheSettingsOnceTheMessageIsClosed) {
    bench_.Attach({.switches = test::ImageShowing({6, 13, 3, 1, 0})});
    std::vector<int> positions;
    QObject::connect(progress_, &QProgressBar::valueChanged,
                     [&](int value) { positions.push_back(value); });

    const auto seen = Click("getStatusButton");

    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, NoticeOf(Outcome::GotStatus).text.c_str());
    EXPECT_EQ(seen[0].icon, QMessageBox::Information);
    EXPECT_EQ(seen[0].progress, 100);
    EXPECT_EQ(seen[0].lists, std::vector<int>(kSettingCount, -1));
    EXPECT_FALSE(seen[0].setEnabled);
    EXPECT_EQ(ListIndexes(), (std::vector<int>{6, 13, 3, 1, 0}));
    ExpectStatusHeld(true);
    EXPECT_EQ(progress_->value(), 0);
    // The bar followed every step.
    EXPECT_EQ(positions.size(), 45u + 2u);
}

// A pick reaches the image, also of the item the list shows; Set Status writes it.
TEST_F(SwitchSettingsDlgTest, PickThenSetStatusWritesThePick) {
    Click("getStatusButton");
    Pick(Labelled(Setting::Brightness), 3);
    SwitchImage picked;
    ApplySetting(picked, Setting::Brightness, 3);
    EXPECT_EQ(dialog_.State().Image(), picked);
    const auto seen = Click("setStatusButton");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, NoticeOf(Outcome::SetStatus).text.c_str());
    EXPECT_EQ(bench_.Sim().Bank(3), (SwitchDigits{'0', '0', '0', '0', '0', '0', '0', '1'}));
}

// The file chosen reaches the state; the question before replacing reaches a Yes/No box.
TEST_F(SwitchSettingsDlgTest, LoadAndSaveGoThroughTheFileDialogs) {
    const SwitchImage image = test::ImageShowing({6, 13, 1, 2, 0});
    ASSERT_TRUE(SaveStatusFile(file_, image).ok());
    {
        MessageBoxAnswerer noBox;
        QTest::mouseClick(Button("loadStatusButton"), Qt::LeftButton);
        EXPECT_TRUE(noBox.Shown().empty());
    }
    EXPECT_EQ(ListIndexes(), (std::vector<int>{6, 13, 1, 2, 0}));
    ExpectStatusHeld(true);

    file_ += ".txt";
    ASSERT_TRUE(SaveStatusFile(StatusSavePath(file_), SwitchImage{}).ok());
    MessageBoxAnswerer yes(QMessageBox::Yes);
    QTest::mouseClick(Button("saveStatusButton"), Qt::LeftButton);
    ASSERT_EQ(yes.Shown().size(), 1u);
    EXPECT_TRUE(yes.Shown()[0].text.endsWith("already exists.\nDo you want to replace it?"));
    SwitchImage saved;
    EXPECT_TRUE(LoadStatusFile(StatusSavePath(file_), saved).ok());
    EXPECT_EQ(saved, image);
    EXPECT_EQ(asked_, (std::vector{StatusFileDialog::Load, StatusFileDialog::Save}));
}

TEST_F(SwitchSettingsDlgTest, FileDialogsAskWithTheirTitleFilterAndInitialName) {
    ASSERT_TRUE(SaveStatusFile(file_, test::ImageShowing({6, 13, 1, 2, 0})).ok());
    const fs::path copy = dir_ / "copy";
    CSwitchSettingsDlg dialog(nullptr, {});
    dialog.show();
    const struct {
        const char* button;
        QString title;
        QFileDialog::AcceptMode mode;
        QString initialName;
        fs::path answer;
    } cases[] = {
        {"loadStatusButton", "Load saved status", QFileDialog::AcceptOpen, "*.sts", file_},
        {"saveStatusButton", "Save current status", QFileDialog::AcceptSave, "Noname.sts", copy},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        std::vector<QString> titles;
        {
            ModalAnswerer answer([&](QWidget* modal) {
                auto* files = qobject_cast<QFileDialog*>(modal);
                ASSERT_NE(files, nullptr);
                titles.push_back(files->windowTitle());
                EXPECT_EQ(files->nameFilters(), QStringList{"Status Files (*.sts)"});
                EXPECT_EQ(files->acceptMode(), c.mode);
                QLineEdit* name = files->findChild<QLineEdit*>("fileNameEdit");
                EXPECT_EQ(name->text(), c.initialName);
                name->setText(QString::fromStdString(c.answer.string()));
                QTest::keyClick(name, Qt::Key_Return);
            });
            QTest::mouseClick(dialog.findChild<QPushButton*>(c.button), Qt::LeftButton);
        }
        EXPECT_EQ(titles, std::vector{c.title});
    }
    SwitchImage saved;
    EXPECT_TRUE(LoadStatusFile(StatusSavePath(copy), saved).ok());
    EXPECT_EQ(saved, dialog.State().Image());
}

// Enter is the dialog's OK: after a load it ends the dialog and sends nothing, so the loaded
// settings are not lost to a Get Status.
TEST_F(SwitchSettingsDlgTest, EnterEndsTheDialogSendingNothing) {
    for (const QPushButton* button : dialog_.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->autoDefault() || button->isDefault()) << button->text().toStdString();
    }
    ASSERT_TRUE(SaveStatusFile(file_, test::ImageShowing({6, 0, 0, 0, 0})).ok());
    QTest::mouseClick(Button("loadStatusButton"), Qt::LeftButton);
    Button("loadStatusButton")->setFocus();
    PressEnter(&dialog_);
    EXPECT_TRUE(bench_.Transfers().empty());
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_.isVisible());
}

}  // namespace
}  // namespace vemora
