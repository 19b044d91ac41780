#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "gui/ConnectionDlg.h"
#include "gui/DirectSettingsDlg.h"
#include "serial/PortNames.h"
#include "support/DisplayBench.h"
#include "support/ScriptedSpooler.h"
#include "tests/gui/DialogTesting.h"

namespace vemora {
namespace {

// The dialog on an in-memory line with the simulated display at its far end, on virtual time,
// and a spooler with printers on the first port and elsewhere.
class ConnectionDlgTest : public DialogTest {
  protected:
    void SetUp() override {
        script_.printers = {{"receipt", "serial:/dev/ttyS0?baud=9600"},
                            {"kitchen", "serial:/dev/ttyS1?baud=9600"}};
        dialog_ = std::make_unique<CConnectionDlg>(
            bench_.wire_.MakeDevice(), std::make_unique<testing::ScriptedSpooler>(script_),
            bench_.PauseFn(), std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyACM0"});
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
        ASSERT_EQ(shown[0].text, "Connected.");
    }

    QPushButton* Button(const char* name) { return dialog_->findChild<QPushButton*>(name); }
    QComboBox* List(const char* name) { return dialog_->findChild<QComboBox*>(name); }

    void ExpectConnected(bool connected) {
        EXPECT_EQ(Button("checkCommunicationButton")->isEnabled(), !connected);
        EXPECT_EQ(Button("selfTestButton")->isEnabled(), connected);
        EXPECT_EQ(Button("runManagerButton")->isEnabled(), connected);
        EXPECT_EQ(dialog_->Channel().IsOpen(), connected);
        EXPECT_TRUE(Button("exitButton")->isEnabled());
    }

    testing::DisplayBench bench_;
    testing::Script script_;
    std::unique_ptr<CConnectionDlg> dialog_;
};

TEST_F(ConnectionDlgTest, OpensDisconnectedOnTheDefaults) {
    EXPECT_EQ(dialog_->windowTitle(), "Vemora(V1.0.3a)");
    EXPECT_FALSE(dialog_->windowIcon().isNull());
    ExpectConnected(false);
    EXPECT_EQ(dialog_->Choice(), (ConnectionChoice{"COM1", "9600", "8", 0, 0, 0}));
    EXPECT_EQ(List("flowControlList")->currentText(), "Hardware");
    EXPECT_FALSE(List("stopBitsList")->isEnabled());
    EXPECT_FALSE(List("flowControlList")->isEnabled());
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

TEST_F(ConnectionDlgTest, PortListHoldsTheFixedNamesThenTheFoundDevices) {
    QStringList ports;
    for (const std::string_view name : kFixedPortNames) {
        ports << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    }
    ports << "/dev/ttyUSB0"
          << "/dev/ttyACM0";
    for (int i = 0; i < List("portList")->count(); ++i) {
        EXPECT_EQ(List("portList")->itemText(i), ports.value(i)) << i;
    }
    EXPECT_EQ(List("portList")->count(), ports.size());
}

TEST_F(ConnectionDlgTest, PortOptionAddsItsPathOnceAndSelectsIt) {
    const int count = List("portList")->count();
    dialog_->SelectPort("/dev/pts/7");
    EXPECT_EQ(List("portList")->count(), count + 1);
    EXPECT_EQ(List("portList")->itemText(count), "/dev/pts/7");
    EXPECT_EQ(dialog_->Choice().portName, "/dev/pts/7");
    for (const char* known : {"COM3", "/dev/ttyUSB0", "/dev/pts/7"}) {
        dialog_->SelectPort(known);
        EXPECT_EQ(dialog_->Choice().portName, known);
    }
    EXPECT_EQ(List("portList")->count(), count + 1);
}

TEST_F(ConnectionDlgTest, TypedParityTextIsNoSelection) {
    List("parityList")->setCurrentIndex(2);
    EXPECT_EQ(dialog_->Choice().parity, 2);
    QLineEdit* edit = List("parityList")->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, "Mark");
    // Enter also presses the default button, Check Communication.
    MessageBoxAnswerer messages;
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog_->Choice().parity, -1);
    EXPECT_EQ(List("parityList")->count(), 3);
}

// Typing is no pick: neither a whole item's name in another case nor its first letter selects the
// item, and the connection stays.
TEST_F(ConnectionDlgTest, TypedParityTextSelectsNothingAndClosesNothing) {
    Connect();
    QLineEdit* edit = List("parityList")->lineEdit();
    for (const char* typed : {"even", "O", "Odd"}) {
        edit->clear();
        QTest::keyClicks(edit, typed);
        EXPECT_EQ(List("parityList")->currentIndex(), 0) << typed;
        EXPECT_EQ(edit->text(), typed);
        ExpectConnected(true);
    }
}

TEST_F(ConnectionDlgTest, SettingChangeWhileConnectedClosesThePort) {
    const struct {
        const char* list;
        int index;
    } changes[] = {{"portList", 0},   {"baudRateList", 0},      {"dataBitsList", 0},
                   {"parityList", 0}, {"emulationModeList", 1}, {"emulationModeList", 0}};
    for (const auto& c : changes) {
        SCOPED_TRACE(c.list);
        List(c.list)->setCurrentIndex(c.index == 0 ? 1 : 2);
        Connect();
        ExpectConnected(true);
        List(c.list)->setCurrentIndex(c.index);
        EXPECT_FALSE(bench_.wire_.IsOpen());
        ExpectConnected(false);
    }
}

TEST_F(ConnectionDlgTest, SettingChangeWhileDisconnectedKeepsTheButtons) {
    for (const char* list :
         {"portList", "baudRateList", "dataBitsList", "parityList", "emulationModeList"}) {
        List(list)->setCurrentIndex(1);
        ExpectConnected(false);
    }
    EXPECT_EQ(bench_.wire_.OpenCount(), 0);
    EXPECT_EQ(dialog_->Choice(), (ConnectionChoice{"COM2", "19200", "7", 1, 0, 1}));
}

TEST_F(ConnectionDlgTest, CheckShowsConnectedBeforeTheDisplayLeavesSetupMode) {
    std::vector<std::size_t> writesWhileShown;
    std::vector<QString> shown;
    {
        ModalAnswerer answer([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            shown.push_back(box->text());
            writesWhileShown.push_back(bench_.wire_.Written().size());
            box->accept();
        });
        QTest::mouseClick(Button("checkCommunicationButton"), Qt::LeftButton);
    }
    EXPECT_EQ(shown, std::vector<QString>{"Connected."});
    EXPECT_EQ(writesWhileShown, std::vector<std::size_t>{4});
    EXPECT_EQ(bench_.Transfers().back(), testing::Bytes(CmdSetupExit));
    ExpectConnected(true);
    const PortConfig& line = bench_.wire_.OpenedWith();
    EXPECT_EQ(line.portName, "COM1");
    EXPECT_EQ(line.baudRate, 9600u);
    EXPECT_EQ(line.dataBits, 8);
    EXPECT_EQ(line.parity, 0);
    EXPECT_EQ(line.timeouts, (CommTimeouts{10, 10, 10, 0, 0}));
    // The printer on the chosen port was parked before the port was opened.
    EXPECT_EQ(script_.PortOf("receipt"), "FILE:");
    EXPECT_EQ(script_.PortOf("kitchen"), "serial:/dev/ttyS1?baud=9600");

    // A second press does nothing while connected.
    const std::size_t writes = bench_.wire_.Written().size();
    EXPECT_TRUE(Check().empty());
    EXPECT_EQ(bench_.wire_.Written().size(), writes);
}

TEST_F(ConnectionDlgTest, EachOutcomeOfTheCheckShowsItsMessage) {
    struct Case {
        const char* name;
        SimOptions display;
        bool dsr, cts;
        const char* text;
        QMessageBox::Icon icon;
        const char* detail;
    };
    SimOptions wrong{.wrongIdentity = true};
    const Case cases[] = {
        {"DSR off",
         {},
         false,
         true,
         "Can't open port and Display is disconnected",
         QMessageBox::Warning,
         "COM1: DSR is off. Check that the display is attached and powered."},
        {"CTS off", {}, true, false, "Port error! Check port, please.", QMessageBox::Warning, ""},
        {"another display", wrong, true, true, "This Display don't match our company name.",
         QMessageBox::Warning, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bench_.Attach(c.display);
        bench_.wire_.SetDsr(c.dsr);
        bench_.wire_.SetCts(c.cts);
        const auto shown = Check();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.text);
        EXPECT_EQ(shown[0].icon, c.icon);
        EXPECT_EQ(shown[0].detail, c.detail);
        EXPECT_EQ(shown[0].title, "connection_dialog_tests");  // the program file's name
        ExpectConnected(false);
    }
    // The printers stay parked after failed checks until the program ends.
    EXPECT_EQ(script_.PortOf("receipt"), "FILE:");
}

// Another run holds the port's lock: no printer is touched and the port is not opened.
TEST_F(ConnectionDlgTest, APortHeldByAnotherRunIsNotOpened) {
    PortLocks otherRun;
    ASSERT_EQ(otherRun.Take("COM1"), LockError{});
    bench_.wire_.SetDsr(true);

    const auto shown = Check();

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Can't open port and Display is disconnected");
    EXPECT_TRUE(shown[0].detail.startsWith("COM1 is held by another program (process "))
        << shown[0].detail.toStdString();
    EXPECT_TRUE(script_.log.empty());
    ExpectConnected(false);
    EXPECT_FALSE(bench_.wire_.IsOpen());
}

TEST_F(ConnectionDlgTest, TypedParityKeepsTheLastCapturedOne) {
    List("parityList")->setCurrentIndex(1);
    bench_.wire_.SetDsr(false);
    Check();
    QLineEdit* edit = List("parityList")->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, "Mark");
    bench_.wire_.SetDsr(true);
    Connect();
    EXPECT_EQ(bench_.wire_.OpenedWith().parity, 1);
}

TEST_F(ConnectionDlgTest, SelfTestSendsTheCommandOfTheMode) {
    const struct {
        int mode;
        std::vector<Byte> bytes;
    } cases[] = {{0, testing::Bytes(CmdSelfTest)},
                 {1, testing::Bytes(CmdDirectInfo)},
                 {2, testing::Bytes(CmdDirectInfo)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        List("emulationModeList")->setCurrentIndex(c.mode);
        Connect();
        MessageBoxAnswerer messages;
        QTest::mouseClick(Button("selfTestButton"), Qt::LeftButton);
        EXPECT_TRUE(messages.Shown().empty());
        EXPECT_EQ(bench_.Transfers().back(), c.bytes);
        ExpectConnected(true);
    }
}

TEST_F(ConnectionDlgTest, OtherModesConnectWithInitialiseAlone) {
    List("emulationModeList")->setCurrentIndex(2);
    SimOptions silent{.silent = true};
    bench_.Attach(silent);
    Connect();
    EXPECT_EQ(bench_.Transfers(), std::vector<std::vector<Byte>>{testing::Bytes(CmdInitialize)});
}

TEST_F(ConnectionDlgTest, EndClosesThePortThenGivesThePrintersTheirPortsBack) {
    script_.refused = {"receipt"};
    script_.printers.push_back({"label", "serial:/dev/ttyS0?baud=19200"});
    bench_.wire_.SetDsr(true);
    // One message names the printer that stays on the port, before the port is used.
    const auto shown = Check();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "The printers that use this port:");
    EXPECT_NE(shown[0].detail.indexOf("\"receipt\" could not be parked"), -1)
        << shown[0].detail.toStdString();
    EXPECT_EQ(shown[1].text, "Connected.");
    script_.refused.clear();
    script_.refused.insert("label");
    script_.log.clear();
    const auto unrestored = dialog_->CloseAndRestorePrinters();
    EXPECT_FALSE(bench_.wire_.IsOpen());
    EXPECT_EQ(unrestored,
              (std::vector<UnrestoredPrinter>{{"label", "serial:/dev/ttyS0?baud=19200"}}));
    EXPECT_EQ(script_.PortOf("receipt"), "serial:/dev/ttyS0?baud=9600");
    // Nothing is left to give back when the dialog goes.
    script_.log.clear();
    dialog_.reset();
    EXPECT_TRUE(script_.log.empty());
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
                EXPECT_TRUE(dialog_->Channel().IsOpen());
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
