#include <unistd.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "gui/SwitchSettingsDlg.h"
#include "support/DisplayBench.h"
#include "support/SwitchImages.h"
#include "switches/SettingLists.h"
#include "switches/StatusFile.h"
#include "tests/gui/DialogTesting.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;

std::vector<char> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const fs::path& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

// Cells far from 0 and 1, as a status file may hold them: the cells a switch write carries hold
// the digits 0 to 9 that a display's replies give, the others any number.
std::vector<char> ManyValuedStatus() {
    SwitchImage image;
    for (int bank = 1; bank <= kBankCount; ++bank) {
        for (int cell = 0; cell < 9; ++cell) {
            image.Bank(bank).cells[cell] =
                IsCarriedCell(bank, cell) ? (bank * 9 + cell) % 10 : -1000 * bank - 37 * cell;
        }
    }
    const StatusBytes bytes = EncodeStatus(image);
    return {bytes.begin(), bytes.end()};
}

SwitchImage ImageOf(const std::vector<char>& raw) {
    StatusBytes bytes{};
    std::copy(raw.begin(), raw.end(), bytes.begin());
    return DecodeStatus(bytes);
}

class SwitchSettingsDlgTest : public DialogTest {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vemora-dlg-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        dialog_.SetFileChooser([this](StatusFileDialog which) {
            asked_.push_back(which);
            return answer_;
        });
        dialog_.show();
    }
    void TearDown() override { fs::remove_all(dir_); }

    QPushButton* Button(const char* name) { return dialog_.findChild<QPushButton*>(name); }

    // The list that the setting's caption labels.
    QComboBox* List(Setting setting) {
        for (QLabel* label : dialog_.findChildren<QLabel*>()) {
            if (label->text() == SettingCaption(setting)) {
                return qobject_cast<QComboBox*>(label->buddy());
            }
        }
        return nullptr;
    }

    // Clicks a button whose file dialog the operator answers with `path` (empty: Cancel).
    void ClickWithFile(const char* button, const fs::path& path) {
        answer_ = path;
        QTest::mouseClick(Button(button), Qt::LeftButton);
    }

    void ExpectStatusHeld(bool held) {
        EXPECT_EQ(Button("setStatusButton")->isEnabled(), held);
        EXPECT_EQ(Button("saveStatusButton")->isEnabled(), held);
        for (const Setting setting : kAllSettings) {
            EXPECT_EQ(List(setting)->isEnabled(), held) << SettingCaption(setting);
        }
        for (const char* always : {"getStatusButton", "loadStatusButton", "exitButton"}) {
            EXPECT_TRUE(Button(always)->isEnabled()) << always;
        }
    }

    void ExpectListsShow(const SwitchSelections& selections) {
        for (const Setting setting : kAllSettings) {
            const std::int32_t index = selections.*SelectionMember(setting);
            EXPECT_EQ(List(setting)->currentIndex(),
                      SettingItem(setting, index) != nullptr ? index : -1)
                << SettingCaption(setting);
        }
    }

    fs::path dir_;
    fs::path answer_;
    std::vector<StatusFileDialog> asked_;
    CSwitchSettingsDlg dialog_{nullptr, {}};
};

TEST_F(SwitchSettingsDlgTest, OpensWithNoStatus) {
    EXPECT_EQ(dialog_.windowTitle(), "Vemora V1.0.3a(Epson Mode)");
    ExpectStatusHeld(false);
    for (const Setting setting : kAllSettings) {
        QComboBox* list = List(setting);
        ASSERT_NE(list, nullptr) << SettingCaption(setting);
        EXPECT_EQ(list->currentIndex(), -1);
        const auto items = SettingItems(setting);
        ASSERT_EQ(list->count(), static_cast<int>(items.size()));
        for (int i = 0; i < list->count(); ++i) {
            EXPECT_EQ(list->itemText(i), items[i]);
        }
    }
    const auto* progress = dialog_.findChild<QProgressBar*>();
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(dialog_.Image(), SwitchImage{});
}

TEST_F(SwitchSettingsDlgTest, TabGoesThroughListsThenButtons) {
    std::vector<QWidget*> expected;
    for (const Setting setting : kAllSettings) {
        expected.push_back(List(setting));
    }
    for (const char* name : {"getStatusButton", "setStatusButton", "saveStatusButton",
                             "loadStatusButton", "exitButton"}) {
        expected.push_back(Button(name));
    }
    EXPECT_EQ(TabOrder(expected), expected);
}

TEST_F(SwitchSettingsDlgTest, ProgressStepsByFourAndStartsOverPastTheTop) {
    const struct {
        int steps;
        int position;
    } cases[] = {{1, 4}, {24, 96}, {25, 100}, {26, 4}, {45, 80}};
    auto* progress = dialog_.findChild<QProgressBar*>();
    for (const auto& c : cases) {
        dialog_.SetPosition(0);
        for (int i = 0; i < c.steps; ++i) {
            dialog_.Step();
        }
        EXPECT_EQ(progress->value(), c.position) << c.steps << " steps";
    }
}

TEST_F(SwitchSettingsDlgTest, LoadShowsTheFileAndMakesTheSettingsUsable) {
    SwitchImage image = testing::ImageShowing({6, 13, 1, 2, 0});
    image.Bank(1).cells[0] = 7;
    ASSERT_TRUE(SaveStatusFile(dir_ / "shop.sts", image).ok());

    MessageBoxAnswerer messages;
    ClickWithFile("loadStatusButton", dir_ / "shop.sts");

    EXPECT_EQ(asked_, std::vector{StatusFileDialog::Load});
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(dialog_.Image(), image);
    ExpectListsShow(image.ComputeSelections());
    ExpectStatusHeld(true);
}

TEST_F(SwitchSettingsDlgTest, SaveAfterLoadWritesTheSame180Bytes) {
    WriteBytes(dir_ / "before.sts", ManyValuedStatus());
    ClickWithFile("loadStatusButton", dir_ / "before.sts");
    ExpectListsShow(ImageOf(ManyValuedStatus()).ComputeSelections());

    MessageBoxAnswerer messages;
    ClickWithFile("saveStatusButton", dir_ / "after");

    EXPECT_EQ(asked_, (std::vector{StatusFileDialog::Load, StatusFileDialog::Save}));
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(ReadBytes(dir_ / "after.sts"), ManyValuedStatus());
}

TEST_F(SwitchSettingsDlgTest, ListChoiceGoesIntoTheImageAtOnce) {
    WriteBytes(dir_ / "zeros.sts", std::vector<char>(kStatusFileSize));
    ClickWithFile("loadStatusButton", dir_ / "zeros.sts");
    SwitchImage expected;
    for (const Setting setting : kAllSettings) {
        const int last = static_cast<int>(SettingItems(setting).size()) - 1;
        for (const int index : {last, 0}) {
            Pick(List(setting), index);
            ApplySetting(expected, setting, index);
            EXPECT_EQ(dialog_.Image(), expected) << SettingCaption(setting) << " " << index;
            EXPECT_EQ(List(setting)->currentIndex(), index);
        }
    }
}

TEST_F(SwitchSettingsDlgTest, SaveAsksBeforeReplacingTheLengthenedName) {
    const std::vector<char> old(kStatusFileSize, 'x');
    const struct {
        const char* chosen;
        const char* written;
        bool exists;
        QMessageBox::StandardButton answer;
        bool asked;
        bool replaced;
    } cases[] = {
        {"abc.txt", "abc.txt.sts", true, QMessageBox::No, true, false},
        {"abc.txt", "abc.txt.sts", true, QMessageBox::Yes, true, true},
        {"ABC.STS", "ABC.STS.sts", true, QMessageBox::No, true, false},
        {"abc", "abc.sts", false, QMessageBox::No, false, true},
        // The file dialog itself asked about a name it was given unchanged.
        {"abc.sts", "abc.sts", true, QMessageBox::No, false, true},
    };
    WriteBytes(dir_ / "zeros.sts", std::vector<char>(kStatusFileSize));
    ClickWithFile("loadStatusButton", dir_ / "zeros.sts");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        const fs::path folder = dir_ / "save";
        fs::remove_all(folder);
        fs::create_directories(folder);
        if (c.exists) {
            WriteBytes(folder / c.written, old);
        }
        MessageBoxAnswerer messages(c.answer);
        ClickWithFile("saveStatusButton", folder / c.chosen);
        ASSERT_EQ(messages.Shown().size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_TRUE(
                messages.Shown()[0].text.startsWith(QString(c.written) + " already exists"));
        }
        EXPECT_EQ(ReadBytes(folder / c.written),
                  c.replaced ? std::vector<char>(kStatusFileSize) : old);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
                  c.exists || c.replaced ? 1 : 0);
    }
}

TEST_F(SwitchSettingsDlgTest, LoadTakesOnlyNamesEndingInSts) {
    // Refused names first: a load that succeeds leaves the settings usable for good.
    const struct {
        const char* name;
        bool loaded;
    } cases[] = {{"ABC.STS", false}, {"abc.txt", false}, {"abcsts", true}, {"abc.sts", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir_ / c.name, ManyValuedStatus());
        MessageBoxAnswerer messages;
        ClickWithFile("loadStatusButton", dir_ / c.name);
        if (c.loaded) {
            EXPECT_TRUE(messages.Shown().empty());
            EXPECT_EQ(dialog_.Image(), ImageOf(ManyValuedStatus()));
            ExpectStatusHeld(true);
        } else {
            ASSERT_EQ(messages.Shown().size(), 1u);
            EXPECT_EQ(messages.Shown()[0].text, "Wrong format files loaded.");
            EXPECT_EQ(messages.Shown()[0].icon, QMessageBox::Warning);
            EXPECT_EQ(dialog_.Image(), SwitchImage{});
            ExpectStatusHeld(false);
        }
    }
}

TEST_F(SwitchSettingsDlgTest, FileThatCannotBeUsedIsNamedWithTheReason) {
    WriteBytes(dir_ / "short.sts", std::vector<char>(100, 1));
    fs::create_directories(dir_ / "folder.sts");
    const struct {
        const char* button;
        fs::path path;
        std::string text;
        const char* detail;
    } cases[] = {
        {"loadStatusButton", dir_ / "gone.sts",
         "Could not load \"" + (dir_ / "gone.sts").string() + "\": No such file or directory.", ""},
        {"loadStatusButton", dir_ / "short.sts", "Wrong format files loaded.",
         "The file holds 100 bytes, not 180"},
        {"loadStatusButton", dir_ / "folder.sts",
         "Could not load \"" + (dir_ / "folder.sts").string() + "\": Not a regular file.", ""},
        {"saveStatusButton", dir_ / "no-folder" / "x.sts",
         "Could not save \"" + (dir_ / "no-folder" / "x.sts").string() +
             "\": No such file or directory.",
         ""},
    };
    WriteBytes(dir_ / "shop.sts", ManyValuedStatus());
    ClickWithFile("loadStatusButton", dir_ / "shop.sts");
    const SwitchImage held = dialog_.Image();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        MessageBoxAnswerer messages;
        ClickWithFile(c.button, c.path);
        ASSERT_EQ(messages.Shown().size(), 1u);
        EXPECT_EQ(messages.Shown()[0].text, QString::fromStdString(c.text));
        EXPECT_EQ(messages.Shown()[0].detail, c.detail);
        EXPECT_EQ(messages.Shown()[0].icon, QMessageBox::Warning);
        EXPECT_EQ(dialog_.Image(), held);
    }
    EXPECT_FALSE(fs::exists(dir_ / "no-folder"));
}

TEST_F(SwitchSettingsDlgTest, CancelledFileDialogChangesNothing) {
    MessageBoxAnswerer messages;
    ClickWithFile("loadStatusButton", {});
    ExpectStatusHeld(false);
    WriteBytes(dir_ / "shop.sts", ManyValuedStatus());
    ClickWithFile("loadStatusButton", dir_ / "shop.sts");
    ClickWithFile("saveStatusButton", {});
    EXPECT_EQ(asked_, (std::vector{StatusFileDialog::Load, StatusFileDialog::Load,
                                   StatusFileDialog::Save}));
    EXPECT_TRUE(messages.Shown().empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(SwitchSettingsDlgTest, FileDialogsAskWithTheirTitleFilterAndInitialName) {
    WriteBytes(dir_ / "shop.sts", ManyValuedStatus());
    CSwitchSettingsDlg dialog(nullptr, {});
    dialog.show();
    const struct {
        const char* button;
        QString title;
        QFileDialog::AcceptMode mode;
        QString initialName;
        fs::path answer;
    } cases[] = {
        {"loadStatusButton", "Load saved status", QFileDialog::AcceptOpen, "*.sts",
         dir_ / "shop.sts"},
        {"saveStatusButton", "Save current status", QFileDialog::AcceptSave, "Noname.sts",
         dir_ / "copy"},
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
    EXPECT_EQ(ReadBytes(dir_ / "copy.sts"), ManyValuedStatus());
}

// The dialog on the simulated display over the in-memory line, on virtual time.
class SwitchExchangeDlgTest : public DialogTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(bench_.Open());
        progress_ = dialog_.findChild<QProgressBar*>();
        QObject::connect(progress_, &QProgressBar::valueChanged,
                         [this](int value) { positions_.push_back(value); });
        dialog_.show();
    }
    QPushButton* Button(const char* name) { return dialog_.findChild<QPushButton*>(name); }
    QComboBox* List(const char* name) { return dialog_.findChild<QComboBox*>(name); }
    std::vector<int> ListIndexes() {
        std::vector<int> indexes;
        for (const char* name : {"codeTableList", "characterSetList", "brightnessList",
                                 "peripheralDeviceList", "cursorModeList"}) {
            indexes.push_back(List(name)->currentIndex());
        }
        return indexes;
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

    testing::DisplayBench bench_;
    CSwitchSettingsDlg dialog_{&bench_.channel_, bench_.PauseFn()};
    QProgressBar* progress_ = nullptr;
    std::vector<int> positions_;
};

TEST_F(SwitchExchangeDlgTest, GetStatusShowsTheSettingsOnceTheMessageIsClosed) {
    bench_.Attach({.switches = testing::ImageShowing({6, 13, 3, 1, 0})});

    const auto seen = Click("getStatusButton");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Success to get status of ZRN.");
    EXPECT_EQ(seen[0].icon, QMessageBox::Information);
    EXPECT_EQ(seen[0].progress, 100);
    EXPECT_EQ(seen[0].lists, std::vector<int>(5, -1));
    EXPECT_FALSE(seen[0].setEnabled);

    EXPECT_EQ(ListIndexes(), (std::vector<int>{6, 13, 3, 1, 0}));
    EXPECT_TRUE(Button("setStatusButton")->isEnabled());
    EXPECT_TRUE(Button("saveStatusButton")->isEnabled());
    EXPECT_EQ(progress_->value(), 0);
    std::vector<std::vector<Byte>> expected{testing::Bytes(CmdSelectDisplay)};
    for (int bank = 1; bank <= 5; ++bank) {
        expected.push_back(testing::Bytes(CmdSwitchQuery(bank)));
    }
    EXPECT_EQ(bench_.Transfers(), expected);
}

TEST_F(SwitchExchangeDlgTest, ProgressPassesTheTopOnceDuringGetStatus) {
    Click("getStatusButton");
    int startsOver = 0;
    for (std::size_t i = 1; i < positions_.size(); ++i) {
        startsOver += positions_[i] < positions_[i - 1] && positions_[i] != 0;
    }
    EXPECT_EQ(startsOver, 1);
    // 45 steps of 4 from 0 pass 100 once and end at 80, then 100 for the message and 0.
    ASSERT_GE(positions_.size(), 3u);
    EXPECT_EQ(positions_[positions_.size() - 3], 80);
    EXPECT_EQ(positions_[positions_.size() - 2], 100);
    EXPECT_EQ(positions_.back(), 0);
}

TEST_F(SwitchExchangeDlgTest, SilentDisplayLeavesEverythingAsItWas) {
    SimOptions silent{.silent = true};
    bench_.Attach(silent);
    const auto seen = Click("getStatusButton");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Display did not respond. Check the display, please.");
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[0].progress, 0);
    EXPECT_EQ(ListIndexes(), std::vector<int>(5, -1));
    EXPECT_FALSE(Button("setStatusButton")->isEnabled());
    EXPECT_EQ(dialog_.Image(), SwitchImage{});
}

TEST_F(SwitchExchangeDlgTest, SetStatusAfterALoadWritesTheLoadedImage) {
    const fs::path file =
        fs::temp_directory_path() / ("vemora-set-" + std::to_string(getpid()) + ".sts");
    SwitchImage loaded;
    loaded.LoadBankDigits(1, {'0', '0', '1', '0', '0', '0', '0', '0'});
    loaded.ApplyCharacterSet(15);
    loaded.ApplyBrightness(2);
    loaded.LoadBankDigits(5, {'0', '0', '1', '1', '0', '0', '0', '0'});
    ASSERT_TRUE(SaveStatusFile(file, loaded).ok());
    dialog_.SetFileChooser([&](StatusFileDialog) { return file; });
    QTest::mouseClick(Button("loadStatusButton"), Qt::LeftButton);
    fs::remove(file);

    const auto seen = Click("setStatusButton");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Success to set status of ZRN");
    EXPECT_EQ(seen[0].icon, QMessageBox::Information);
    EXPECT_EQ(seen[0].progress, 100);
    EXPECT_EQ(progress_->value(), 0);
    for (int bank = 1; bank <= 5; ++bank) {
        EXPECT_EQ(bench_.Sim().Bank(bank), loaded.FormatBankDigits(bank)) << bank;
    }
    const auto transfers = bench_.Transfers();
    ASSERT_EQ(transfers.size(), 9u);
    EXPECT_EQ(transfers.front(), testing::Bytes(CmdInitialize));
    EXPECT_EQ(transfers.back(), testing::Bytes(CmdSetupExit));
}

TEST_F(SwitchExchangeDlgTest, ListChangeThenSetStatusWritesTheChange) {
    Click("getStatusButton");
    Pick(List("brightnessList"), 3);
    Click("setStatusButton");
    EXPECT_EQ(bench_.Sim().Bank(3), (SwitchDigits{'0', '0', '0', '0', '0', '0', '0', '1'}));
}

// Enter is the dialog's OK: after a load it ends the dialog and sends nothing, so the loaded
// settings are not lost to a Get Status.
TEST_F(SwitchExchangeDlgTest, EnterEndsTheDialogSendingNothing) {
    for (const QPushButton* button : dialog_.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->autoDefault() || button->isDefault()) << button->text().toStdString();
    }
    const fs::path file =
        fs::temp_directory_path() / ("vemora-enter-" + std::to_string(getpid()) + ".sts");
    SwitchImage loaded;
    loaded.ApplyCodeTable(6);
    ASSERT_TRUE(SaveStatusFile(file, loaded).ok());
    dialog_.SetFileChooser([&](StatusFileDialog) { return file; });
    QTest::mouseClick(Button("loadStatusButton"), Qt::LeftButton);
    fs::remove(file);
    Button("loadStatusButton")->setFocus();
    PressEnter(&dialog_);
    EXPECT_TRUE(bench_.Transfers().empty());
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(dialog_.Image(), loaded);
}

// A pick applies even when the list already shows the item: a '2' read from the display becomes
// the item's plain value.
TEST_F(SwitchExchangeDlgTest, PickingTheShownItemAppliesIt) {
    SimOptions display{.switches = testing::ImageShowing({0, 0, 3, 0, 0}), .digitTwoBank = 3};
    bench_.Attach(display);
    Click("getStatusButton");
    ASSERT_EQ(dialog_.Image().Bank(3).cells[1], 2);
    ASSERT_EQ(List("brightnessList")->currentIndex(), 3);
    Pick(List("brightnessList"), 3);
    EXPECT_EQ(dialog_.Image().Bank(3).cells[1], 1);
}

TEST_F(SwitchExchangeDlgTest, PortThatTakesNothingIsAPortError) {
    Click("getStatusButton");
    bench_.wire_.SetCts(false);
    const auto seen = Click("setStatusButton");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, "Port error! Check port, please.");
    EXPECT_EQ(seen[0].icon, QMessageBox::Warning);
    EXPECT_EQ(progress_->value(), 0);
}

}  // namespace
}  // namespace vemora
