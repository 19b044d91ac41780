#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/ConnectionDlg.h"
#include "direct/DirectSettingsDlg.h"
#include "serial/PortNames.h"
#include "tests/resources/DialogTesting.h"

namespace vemora {
namespace {

// A port that opens and takes every byte, with nothing on it that answers; counts its closes.
class QuietPort : public SerialDevice {
  public:
    explicit QuietPort(int& closes) : closes_(closes) {}
    OpenError Open(const PortConfig&) override { return {}; }
    std::uint32_t Write(const Byte*, std::uint32_t count) override { return count; }
    std::uint32_t Read(Byte*, std::uint32_t) override { return 0; }
    void Close() override { ++closes_; }

  private:
    int& closes_;
};

class ConnectionDlgUnderTest : public CConnectionDlg {
  public:
    using CConnectionDlg::CConnectionDlg;
    using CConnectionDlg::Channel;

    // Where a successful connection check would leave the dialog: the channel open.
    bool Connect() {
        PortConfig config;
        config.portName = Choice().portName;
        Channel().Configure(config);
        if (!Channel().Open()) {
            return false;
        }
        EnterConnectedState();
        return true;
    }
};

class ConnectionDlgTest : public DialogTest {
  protected:
    void SetUp() override {
        dialog_ = std::make_unique<ConnectionDlgUnderTest>(
            std::make_unique<QuietPort>(closes_), Pause{},
            std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyACM0"});
        dialog_->show();
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

    int closes_ = 0;
    std::unique_ptr<ConnectionDlgUnderTest> dialog_;
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

TEST_F(ConnectionDlgTest, TypedParityTextSelectsNothing) {
    List("parityList")->setCurrentIndex(2);
    EXPECT_EQ(dialog_->Choice().parity, 2);
    QLineEdit* edit = List("parityList")->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, "Mark");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialog_->Choice().parity, -1);
    EXPECT_EQ(List("parityList")->count(), 3);
}

TEST_F(ConnectionDlgTest, SettingChangeWhileConnectedClosesThePort) {
    const struct {
        const char* list;
        int index;
    } changes[] = {{"portList", 4},   {"baudRateList", 2},      {"dataBitsList", 1},
                   {"parityList", 1}, {"emulationModeList", 1}, {"emulationModeList", 0}};
    for (const auto& c : changes) {
        SCOPED_TRACE(c.list);
        ASSERT_TRUE(dialog_->Connect());
        ExpectConnected(true);
        const int closes = closes_;
        List(c.list)->setCurrentIndex(c.index);
        EXPECT_EQ(closes_, closes + 1);
        ExpectConnected(false);
    }
}

TEST_F(ConnectionDlgTest, SettingChangeWhileDisconnectedKeepsTheButtons) {
    for (const char* list :
         {"portList", "baudRateList", "dataBitsList", "parityList", "emulationModeList"}) {
        List(list)->setCurrentIndex(1);
        ExpectConnected(false);
    }
    EXPECT_EQ(closes_, 0);
    EXPECT_EQ(dialog_->Choice(), (ConnectionChoice{"COM2", "19200", "7", 1, 0, 1}));
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
        ASSERT_TRUE(dialog_->Connect());
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
