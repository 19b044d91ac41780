#include "dialogs/ConnectionState.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "serial/PortNames.h"
#include "support/DisplayBench.h"
#include "support/ScriptedSpooler.h"
#include "tests/dialogs/RecordingView.h"

namespace vemora {
namespace {

// The state on an in-memory line with the simulated display at its far end, on virtual time,
// and a spooler with printers on the first port and elsewhere.
class ConnectionStateTest : public ::testing::Test {
  protected:
    ConnectionStateTest() {
        script_.printers = {{"receipt", "serial:/dev/ttyS0?baud=9600"},
                            {"kitchen", "serial:/dev/ttyS1?baud=9600"}};
        state_ = std::make_unique<ConnectionState>(
            bench_.wire_.MakeDevice(), std::make_unique<test::ScriptedSpooler>(script_),
            bench_.PauseFn(), std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyACM0"}, view_);
    }

    // Presses Check Communication; returns what it showed.
    std::vector<Notice> Check() {
        view_.shown.clear();
        state_->OnCheckCommunication();
        return view_.shown;
    }
    void Connect() { ASSERT_EQ(Check(), std::vector{NoticeOf(Outcome::Connected)}); }

    void ExpectConnected(bool connected) {
        EXPECT_EQ(state_->Connected(), connected);
        EXPECT_EQ(state_->CheckEnabled(), !connected);
        EXPECT_EQ(state_->SettingsEnabled(), connected);
        EXPECT_EQ(bench_.wire_.IsOpen(), connected);
    }

    test::DisplayBench bench_;
    test::Script script_;
    test::RecordingView view_;
    std::unique_ptr<ConnectionState> state_;
};

TEST_F(ConnectionStateTest, OpensDisconnectedOnTheDefaults) {
    ExpectConnected(false);
    const LineSettings settings = state_->Settings();
    EXPECT_EQ(settings.portName, "COM1");
    EXPECT_EQ(settings.baudRate, 9600u);
    EXPECT_EQ(settings.dataBits, 8);
    EXPECT_EQ(settings.parity, 0);
    EXPECT_EQ(settings.stopBits, 0);
    EXPECT_EQ(state_->Mode(), EmulationMode::EscPos);
    std::vector<std::string> ports(kFixedPortNames.begin(), kFixedPortNames.end());
    ports.insert(ports.end(), {"/dev/ttyUSB0", "/dev/ttyACM0"});
    EXPECT_EQ(state_->PortNames(), ports);
}

// Each item stands for its value: the check opens the port with what the lists show.
TEST_F(ConnectionStateTest, ItemsCarryTheirValuesIntoTheCheck) {
    state_->Choose(LineList::Port, state_->AddPort("/dev/wire"));
    state_->Choose(LineList::BaudRate, 4);
    state_->Choose(LineList::DataBits, 1);
    state_->Choose(LineList::Parity, 2);
    Connect();
    const PortConfig& line = bench_.wire_.OpenedWith();
    EXPECT_EQ(line.portName, "/dev/wire");
    EXPECT_EQ(line.baudRate, 115200u);
    EXPECT_EQ(line.dataBits, 7);
    EXPECT_EQ(line.parity, 2);
    EXPECT_EQ(line.stopBits, 0);
    EXPECT_EQ(line.timeouts, (CommTimeouts{10, 10, 10, 0, 0}));
}

TEST_F(ConnectionStateTest, APortIsAddedOnceAndChosenByItsIndex) {
    const int count = static_cast<int>(state_->PortNames().size());
    EXPECT_EQ(state_->AddPort("/dev/pts/7"), count);
    EXPECT_EQ(state_->AddPort("/dev/pts/7"), count);
    EXPECT_EQ(state_->AddPort("COM3"), 2);
    EXPECT_EQ(state_->AddPort("/dev/ttyUSB0"), count - 2);
    EXPECT_EQ(state_->PortNames().size(), static_cast<std::size_t>(count + 1));
    state_->Choose(LineList::Port, count);
    EXPECT_EQ(state_->Settings().portName, "/dev/pts/7");
    // An index beyond a list is no choice.
    state_->Choose(LineList::Port, count + 1);
    state_->Choose(LineList::BaudRate, -1);
    EXPECT_EQ(state_->Settings().portName, "/dev/pts/7");
    EXPECT_EQ(state_->Settings().baudRate, 9600u);
}

// Typed text is no selection, also when it spells an item in another case; the check then uses
// the parity of the last check. A pick, or the item's own text, selects again.
TEST_F(ConnectionStateTest, TypedParityKeepsTheLastCheckedOne) {
    state_->Choose(LineList::Parity, 1);
    bench_.wire_.SetDsr(false);
    Check();
    for (const char* typed : {"Mark", "even", "O"}) {
        state_->ParityText(typed);
        EXPECT_EQ(state_->Selected(LineList::Parity), -1) << typed;
    }
    state_->Choose(LineList::Parity, 2);
    EXPECT_EQ(state_->Selected(LineList::Parity), 2);
    state_->ParityText("Mark");
    bench_.wire_.SetDsr(true);
    Connect();
    EXPECT_EQ(bench_.wire_.OpenedWith().parity, 1);
    state_->ParityText("Even");
    EXPECT_EQ(state_->Selected(LineList::Parity), 2);
    ExpectConnected(true);
}

TEST_F(ConnectionStateTest, ChangeWhileConnectedClosesThePort) {
    const struct {
        LineList list;
        int index;
    } changes[] = {{LineList::Port, 0},          {LineList::BaudRate, 0},
                   {LineList::DataBits, 0},      {LineList::Parity, 0},
                   {LineList::EmulationMode, 1}, {LineList::EmulationMode, 0}};
    for (const auto& c : changes) {
        SCOPED_TRACE(static_cast<int>(c.list));
        const int other = c.index == 0 ? 1 : 2;
        state_->Choose(c.list, other);
        Connect();
        ExpectConnected(true);
        // The port's lock is held while the port is open, and only then.
        const std::string port = state_->Settings().portName;
        EXPECT_EQ(PortLocks().Take(port).failure, LockFailure::Held);
        const int refreshes = view_.refreshes;
        state_->Choose(c.list, c.index);
        ExpectConnected(false);
        EXPECT_EQ(PortLocks().Take(port), LockError{});
        EXPECT_GT(view_.refreshes, refreshes);
        // Choosing what the list shows already is no change.
        Connect();
        state_->Choose(c.list, c.index);
        ExpectConnected(true);
        state_->Choose(c.list, other);
        state_->Choose(c.list, c.index);
    }
}

TEST_F(ConnectionStateTest, ChangeWhileDisconnectedTouchesNothing) {
    for (const LineList list : {LineList::Port, LineList::BaudRate, LineList::DataBits,
                                LineList::Parity, LineList::EmulationMode}) {
        state_->Choose(list, 1);
        ExpectConnected(false);
    }
    EXPECT_EQ(bench_.wire_.OpenCount(), 0);
    EXPECT_EQ(state_->Settings().portName, "COM2");
    EXPECT_EQ(state_->Mode(), EmulationMode::Korvant);
}

TEST_F(ConnectionStateTest, CheckShowsConnectedBeforeTheDisplayLeavesSetupMode) {
    std::vector<std::size_t> writesWhileShown;
    view_.atShow = [&] { writesWhileShown.push_back(bench_.wire_.Written().size()); };
    Connect();
    EXPECT_EQ(writesWhileShown, std::vector<std::size_t>{4});
    EXPECT_EQ(bench_.Transfers().back(), test::Bytes(CmdSetupExit));
    ExpectConnected(true);
    // The printer on the chosen port was parked before the port was opened.
    EXPECT_EQ(script_.PortOf("receipt"), "FILE:");
    EXPECT_EQ(script_.PortOf("kitchen"), "serial:/dev/ttyS1?baud=9600");

    // A second press does nothing while connected.
    const std::size_t writes = bench_.wire_.Written().size();
    EXPECT_TRUE(Check().empty());
    EXPECT_EQ(bench_.wire_.Written().size(), writes);
}

TEST_F(ConnectionStateTest, EachFailedCheckShowsItsOutcome) {
    struct Case {
        const char* name;
        SimOptions display;
        bool dsr, cts;
        Notice notice;
    };
    const Case cases[] = {
        {"DSR off",
         {},
         false,
         true,
         NoticeOf(Outcome::OpenFailed, DescribeOpenError({OpenFailure::DsrOff, "COM1", ""}))},
        {"CTS off", {}, true, false, NoticeOf(Outcome::PortError)},
        {"another display", {.wrongIdentity = true}, true, true, NoticeOf(Outcome::WrongIdentity)},
        {"silent display", {.silent = true}, true, true, NoticeOf(Outcome::NoResponse)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bench_.Attach(c.display);
        bench_.wire_.SetDsr(c.dsr);
        bench_.wire_.SetCts(c.cts);
        EXPECT_EQ(Check(), std::vector{c.notice});
        ExpectConnected(false);
    }
    // The printers stay parked after failed checks until the program ends.
    EXPECT_EQ(script_.PortOf("receipt"), "FILE:");
}

// Another run holds the port's lock: no printer is touched and the port is not opened.
TEST_F(ConnectionStateTest, APortHeldByAnotherRunIsNotOpened) {
    PortLocks otherRun;
    ASSERT_EQ(otherRun.Take("COM1"), LockError{});

    const auto shown = Check();

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, NoticeOf(Outcome::OpenFailed).text);
    EXPECT_EQ(shown[0].detail.rfind("COM1 is held by another program (process ", 0), 0u)
        << shown[0].detail;
    EXPECT_TRUE(script_.log.empty());
    ExpectConnected(false);
}

TEST_F(ConnectionStateTest, SelfTestSendsTheCommandOfTheMode) {
    const struct {
        int mode;
        std::vector<Byte> bytes;
    } cases[] = {{0, test::Bytes(CmdSelfTest)},
                 {1, test::Bytes(CmdDirectInfo)},
                 {2, test::Bytes(CmdDirectInfo)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        state_->Choose(LineList::EmulationMode, c.mode);
        Connect();
        view_.shown.clear();
        state_->OnSelfTest();
        EXPECT_TRUE(view_.shown.empty());
        EXPECT_EQ(bench_.Transfers().back(), c.bytes);
        ExpectConnected(true);
    }
    bench_.wire_.SetCts(false);
    state_->OnSelfTest();
    EXPECT_EQ(view_.shown, std::vector{NoticeOf(Outcome::PortError)});
}

TEST_F(ConnectionStateTest, OtherModesConnectWithInitialiseAlone) {
    state_->Choose(LineList::EmulationMode, 2);
    bench_.Attach({.silent = true});
    Connect();
    EXPECT_EQ(bench_.Transfers(), std::vector<std::vector<Byte>>{test::Bytes(CmdInitialize)});
}

TEST_F(ConnectionStateTest, RunManagerOpensTheDialogOfTheMode) {
    const ManagerDialog expected[] = {ManagerDialog::Switches, ManagerDialog::Direct,
                                      ManagerDialog::Direct};
    for (int mode = 0; mode < 3; ++mode) {
        state_->Choose(LineList::EmulationMode, mode);
        EXPECT_EQ(state_->OnRunManager(), expected[mode]) << mode;
    }
}

TEST_F(ConnectionStateTest, EndClosesThePortThenGivesThePrintersTheirPortsBack) {
    script_.refused = {"receipt"};
    script_.printers.push_back({"label", "serial:/dev/ttyS0?baud=19200"});
    // One message names the printer that stays on the port, before the port is used.
    std::vector<int> opensWhileShown;
    view_.atShow = [&] { opensWhileShown.push_back(bench_.wire_.OpenCount()); };
    const auto shown = Check();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, kPrinterWarning);
    EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
    EXPECT_NE(shown[0].detail.find("\"receipt\" could not be parked"), std::string::npos)
        << shown[0].detail;
    EXPECT_EQ(shown[1], NoticeOf(Outcome::Connected));
    EXPECT_EQ(opensWhileShown, (std::vector{0, 1}));
    script_.refused = {"label"};
    const auto unrestored = state_->CloseAndRestorePrinters();
    EXPECT_FALSE(bench_.wire_.IsOpen());
    EXPECT_FALSE(state_->Connected());
    EXPECT_EQ(unrestored,
              (std::vector<UnrestoredPrinter>{{"label", "serial:/dev/ttyS0?baud=19200"}}));
    EXPECT_EQ(script_.PortOf("receipt"), "serial:/dev/ttyS0?baud=9600");
}

// The box after the give-back says whether a printer is still parked or only warns.
TEST(UnrestoredNotice, HeadingSaysWhetherAPrinterIsStillParked) {
    const struct {
        RestoreFailure why;
        std::string_view heading;
    } cases[] = {
        {RestoreFailure::UriNotSet, kUnrestoredHeading},
        {RestoreFailure::MaybeParked, kUnrestoredHeading},
        {RestoreFailure::NotPaused, kRestoredWithWarningHeading},
        {RestoreFailure::PrintedWhileParked, kRestoredWithWarningHeading},
    };
    for (const auto& c : cases) {
        const UnrestoredPrinter printer{"Q", "COM60:", c.why};
        EXPECT_EQ(UnrestoredNotice({printer}).text, c.heading);
        EXPECT_EQ(UnrestoredNotice({printer}).detail, DescribeUnrestored(printer) + "\n");
    }
    EXPECT_EQ(UnrestoredNotice({}), Notice{});
}

}  // namespace
}  // namespace vemora
