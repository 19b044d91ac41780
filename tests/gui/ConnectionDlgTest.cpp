// The connection dialog's wiring: its lists and buttons reach ConnectionState, and what the state
// shows reaches the buttons and the message boxes. What the state does is tried in
// tests/dialogs/.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "gui/ConnectionDlg.h"
#include "support/DisplayBench.h"
#include "support/ScriptedSpooler.h"
#include "tests/gui/DialogTesting.h"

namespace vemora {
namespace {

class ConnectionDlgTest : public DialogTest {
  protected:
    void SetUp() override {
        dialog_ = std::make_unique<CConnectionDlg>(
            bench_.wire_.MakeDevice(), std::make_unique<test::ScriptedSpooler>(script_),
            bench_.PauseFn(), std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyACM0"});
        Test(dialog_.get());
        dialog_->show();
    }

    // Presses Check Communication; returns the messages it showed.
    std::vector<ShownMessage> Check() {
        MessageBoxAnswerer messages;
        QTest::mouseClick(Button("checkCommunicationButton"), Qt::LeftButton);
        return messages.Shown();
    }
    void Connect() {
        const auto shown = Check();
        ASSERT_EQ(shown.size(), 1u);
        ASSERT_EQ(shown[0].text, NoticeOf(Outcome::Connected).text.c_str());
    }

    void ExpectConnected(bool connected) {
        EXPECT_EQ(dialog_->State().Connected(), connected);
        EXPECT_EQ(Button("checkCommunicationButton")->isEnabled(), !connected);
        EXPECT_EQ(Button("selfTestButton")->isEnabled(), connected);
        EXPECT_EQ(Button("runManagerButton")->isEnabled(), connected);
        EXPECT_TRUE(Button("exitButton")->isEnabled());
    }

    test::DisplayBench bench_;
    test::Script script_;
    std::unique_ptr<CConnectionDlg> dialog_;
};

QStringList Items(const QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) {
        items << list->itemText(i);
    }
    return items;
}

TEST_F(ConnectionDlgTest, ListsShowTheStatesItemsOnTheirDefaults) {
    EXPECT_EQ(dialog_->windowTitle(), "Vemora(V1.0.3a)");
    EXPECT_FALSE(dialog_->windowIcon().isNull());
    ExpectConnected(false);
    QStringList ports;
    for (const std::string& name : dialog_->State().PortNames()) {
        ports << QString::fromStdString(name);
    }
    EXPECT_EQ(Items(List("portList")), ports);
    EXPECT_EQ(ports.mid(ports.size() - 2), (QStringList{"/dev/ttyUSB0", "/dev/ttyACM0"}));
    const struct {
        const char* list;
        QStringList items;
        bool enabled;
    } lists[] = {
        {"emulationModeList", {"ESC/POS", "KORVANT", "Others"}, true},
        {"baudRateList", {"9600", "19200", "38400", "57600", "115200"}, true},
        {"dataBitsList", {"8", "7"}, true},
        {"parityList", {"None", "Odd", "Even"}, true},
        {"stopBitsList", {"1", "1.5", "2"}, false},
        {"flowControlList", {"Hardware", "Xon/Xoff"}, false},
    };
    for (const auto& l : lists) {
        EXPECT_EQ(Items(List(l.list)), l.items) << l.list;
        EXPECT_EQ(List(l.list)->currentIndex(), 0) << l.list;
        EXPECT_EQ(List(l.list)->isEnabled(), l.enabled) << l.list;
    }
    EXPECT_TRUE(List("parityList")->isEditable());
    EXPECT_TRUE(Button("checkCommunicationButton")->isDefault());
}

TEST_F(ConnectionDlgTest, TabFollowsTheFormFromEmulationModeToExit) {
    std::vector<QWidget*> expected;
    for (const char* list : {"emulationModeList", "portList", "baudRateList", "dataBitsList",
                             "parityList", "stopBitsList", "flowControlList"}) {
        expected.push_back(List(list));
    }
    for (const char* button :
         {"checkCommunicationButton", "selfTestButton", "runManagerButton", "exitButton"}) {
        expected.push_back(Button(button));
    }
    EXPECT_EQ(TabOrder(expected), expected);
}

TEST_F(ConnectionDlgTest, PortOptionAddsItsPathOnceAndSelectsIt) {
    const int count = List("portList")->count();
    for (const char* port : {"/dev/pts/7", "COM3", "/dev/ttyUSB0", "/dev/pts/7"}) {
        dialog_->SelectPort(port);
        EXPECT_EQ(List("portList")->currentText(), port);
        EXPECT_EQ(dialog_->State().Settings().portName, port);
    }
    EXPECT_EQ(List("portList")->count(), count + 1);
    EXPECT_EQ(List("portList")->itemText(count), "/dev/pts/7");
}

// A change in any list reaches the state: the connection goes, and the buttons say so.
TEST_F(ConnectionDlgTest, ListChangeWhileConnectedClosesThePort) {
    for (const char* list :
         {"portList", "baudRateList", "dataBitsList", "parityList", "emulationModeList"}) {
        SCOPED_TRACE(list);
        List(list)->setCurrentIndex(1);
        Connect();
        ExpectConnected(true);
        List(list)->setCurrentIndex(0);
        ExpectConnected(false);
    }
}

// Typing is no pick: an item's exact text ends with Enter or Tab, and the list still shows the
// item it showed; the connection stays.
TEST_F(ConnectionDlgTest, TypedParityTextSelectsNothingOnEnterOrTab) {
    Connect();
    QLineEdit* edit = List("parityList")->lineEdit();
    const struct {
        const char* typed;
        Qt::Key key;
    } cases[] = {{"Odd", Qt::Key_Return},
                 {"Even", Qt::Key_Tab},
                 {"Odd", Qt::Key_Tab},
                 {"Even", Qt::Key_Enter}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        List("parityList")->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, c.typed);
        MessageBoxAnswerer messages;
        QTest::keyClick(edit, c.key);
        EXPECT_EQ(List("parityList")->currentIndex(), 0);
        EXPECT_EQ(edit->text(), c.typed);
        EXPECT_EQ(dialog_->State().Selected(LineList::Parity), -1);
        EXPECT_TRUE(messages.Shown().empty());
        ExpectConnected(true);
    }
    // Only a pick from the list selects.
    List("parityList")->setCurrentIndex(1);
    EXPECT_EQ(dialog_->State().Selected(LineList::Parity), 1);
    ExpectConnected(false);
}

// Enter presses Check Communication, which runs with the typed text selecting nothing.
TEST_F(ConnectionDlgTest, EnterInTypedParityChecksWithTheLastParity) {
    QLineEdit* edit = List("parityList")->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, "Even");
    MessageBoxAnswerer messages;
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(messages.Shown().size(), 1u);
    EXPECT_EQ(messages.Shown()[0].text, NoticeOf(Outcome::Connected).text.c_str());
    EXPECT_EQ(bench_.wire_.OpenedWith().parity, 0);
    EXPECT_EQ(List("parityList")->count(), 3);
    ExpectConnected(true);
}

// A notice of the state reaches a box titled with the program's name, with its icon and detail.
TEST_F(ConnectionDlgTest, CheckShowsItsNoticeInABox) {
    bench_.wire_.SetDsr(false);
    const auto shown = Check();
    ASSERT_EQ(shown.size(), 1u);
    const Notice notice = NoticeOf(Outcome::OpenFailed);
    EXPECT_EQ(shown[0].text, notice.text.c_str());
    EXPECT_EQ(shown[0].icon, QMessageBox::Warning);
    EXPECT_EQ(shown[0].detail, DescribeOpenError({OpenFailure::DsrOff, "COM1", ""}).c_str());
    EXPECT_EQ(shown[0].title, "connection_dialog_tests");  // the program file's name
    ExpectConnected(false);
    bench_.wire_.SetDsr(true);
    Connect();
    ExpectConnected(true);
}

TEST_F(ConnectionDlgTest, RunManagerOpensTheDialogOfTheModeOnTheOpenPort) {
    const struct {
        int mode;
        const char* dialog;
    } cases[] = {{0, "vemora::CSwitchSettingsDlg"},
                 {1, "vemora::CDirectSettingsDlg"},
                 {2, "vemora::CDirectSettingsDlg"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        List("emulationModeList")->setCurrentIndex(c.mode);
        Connect();
        std::vector<QString> opened;
        {
            ModalAnswerer close([&](QWidget* modal) {
                opened.push_back(modal->metaObject()->className());
                EXPECT_TRUE(bench_.wire_.IsOpen());
                modal->close();
            });
            QTest::mouseClick(Button("runManagerButton"), Qt::LeftButton);
        }
        EXPECT_EQ(opened, std::vector<QString>{c.dialog});
        ExpectConnected(true);
    }
}

}  // namespace
}  // namespace vemora
