#include <gtest/gtest.h>

#include "flows/ConnectionCheck.h"
#include "support/DisplayBench.h"

namespace vemora {
namespace {

using std::chrono::milliseconds;
using test::Bytes;

class ConnectionCheckTest : public ::testing::Test {
  protected:
    Outcome Check(EmulationMode mode = EmulationMode::EscPos, std::string port = "/dev/wire") {
        LineSettings settings;
        settings.portName = std::move(port);
        return CheckConnection(
            bench_.channel_, settings, mode,
            [this](const std::string& name) {
                released_.push_back(name);
                return OpenError{};
            },
            bench_.PauseFn(), &identity_);
    }

    test::DisplayBench bench_;
    std::vector<std::string> released_;
    IdentityBytes identity_;
};

const std::vector<std::vector<Byte>> kEscPosCheck{Bytes(CmdInitialize), Bytes(CmdInitialize),
                                                  Bytes(CmdSelectDisplay), Bytes(CmdSetupEnter)};

TEST_F(ConnectionCheckTest, EscPosSuccessIsTheHandshakeThenSetupExit) {
    EXPECT_EQ(Check(), Outcome::Connected);
    EXPECT_EQ(identity_, (IdentityBytes{0x23, 0x1F, 0x01}));
    EXPECT_TRUE(bench_.channel_.IsOpen());
    EXPECT_EQ(bench_.Transfers(), kEscPosCheck);
    EXPECT_EQ(bench_.Sim().State(), SimState::Setup);  // until the message has been closed
    EXPECT_EQ(bench_.PauseLengths(), (std::vector<milliseconds>{kReplyPause, kReplyPause}));

    FinishConnectionCheck(bench_.channel_, EmulationMode::EscPos);
    EXPECT_EQ(bench_.Transfers().back(), Bytes(CmdSetupExit));
    EXPECT_EQ(bench_.Sim().State(), SimState::Ready);
    EXPECT_EQ(released_, std::vector<std::string>{"/dev/wire"});
}

TEST_F(ConnectionCheckTest, PortSettingsOfTheCheck) {
    LineSettings settings;
    settings.portName = "COM3";
    settings.baudRate = 115200;
    settings.dataBits = 7;
    settings.parity = 2;
    const PortConfig config = CheckPortConfig(settings);
    EXPECT_EQ(config.portName, "COM3");
    EXPECT_EQ(config.baudRate, 115200u);
    EXPECT_EQ(config.dataBits, 7);
    EXPECT_EQ(config.parity, 2);
    EXPECT_EQ(config.stopBits, 0);
    EXPECT_EQ(config.flowControl, 0);
    EXPECT_EQ(config.timeouts, (CommTimeouts{10, 10, 10, 0, 0}));
}

TEST_F(ConnectionCheckTest, OtherModesSendInitialiseAloneAndReadNothing) {
    for (EmulationMode mode : {EmulationMode::Korvant, EmulationMode::Others}) {
        SimOptions silent;
        silent.silent = true;  // any device that takes the write is reported as connected
        bench_.Attach(silent);
        bench_.channel_.Close();
        bench_.wire_.ClearWritten();
        EXPECT_EQ(Check(mode), Outcome::Connected);
        EXPECT_TRUE(identity_.empty());
        EXPECT_EQ(bench_.Transfers(), std::vector<std::vector<Byte>>{Bytes(CmdInitialize)});
        EXPECT_TRUE(bench_.PauseLengths().empty());
        FinishConnectionCheck(bench_.channel_, mode);
        EXPECT_EQ(bench_.Transfers().size(), 1u);
    }
}

TEST_F(ConnectionCheckTest, FailuresAndTheChannelTheyLeave) {
    struct Case {
        const char* name;
        std::string port;
        bool dsr, cts;
        SimOptions display;
        Outcome outcome;
        std::size_t transfers;
        bool held = false;  // another program holds the port's lock
    };
    SimOptions wrong{.wrongIdentity = true};
    SimOptions silent{.silent = true};
    SimOptions late{.delay = milliseconds(600)};
    SimOptions noisy{.noise = 12};
    const Case cases[] = {
        {"no port name", "", true, true, {}, Outcome::ConfigureRefused, 0},
        {"DSR off", "/dev/wire", false, true, {}, Outcome::OpenFailed, 0},
        {"CTS held off", "/dev/wire", true, false, {}, Outcome::PortError, 0},
        {"another display", "/dev/wire", true, true, wrong, Outcome::WrongIdentity, 4},
        // No sync byte within the ten reads: no answer, and the setup mode is left.
        {"silent display", "/dev/wire", true, true, silent, Outcome::NoResponse, 5},
        {"late display", "/dev/wire", true, true, late, Outcome::NoResponse, 5},
        {"only noise", "/dev/wire", true, true, noisy, Outcome::NoResponse, 5},
        {"held by another program", "/dev/wire", true, true, {}, Outcome::OpenFailed, 0, true},
    };
    for (const Case& c : cases) {
        test::DisplayBench bench(c.display);
        bench.wire_.SetDsr(c.dsr);
        bench.wire_.SetCts(c.cts);
        std::vector<std::string> released;
        IdentityBytes identity;
        LineSettings settings;
        settings.portName = c.port;
        const Outcome outcome = CheckConnection(
            bench.channel_, settings, EmulationMode::EscPos,
            [&](const std::string& name) {
                released.push_back(name);
                return c.held ? OpenError{OpenFailure::Busy, name, "process 7"} : OpenError{};
            },
            bench.PauseFn(), &identity);
        EXPECT_EQ(outcome, c.outcome) << c.name;
        // Only a display that answered has said who it is.
        const IdentityBytes answered{0x23, 0x1E, 0x01};
        EXPECT_EQ(identity, c.outcome == Outcome::WrongIdentity ? answered : IdentityBytes())
            << c.name;
        EXPECT_EQ(bench.channel_.LastOpenError().failure == OpenFailure::Busy, c.held) << c.name;
        EXPECT_FALSE(bench.channel_.IsOpen()) << c.name;
        EXPECT_FALSE(bench.wire_.IsOpen()) << c.name;
        EXPECT_EQ(bench.Transfers().size(), c.transfers) << c.name;
        // The printers are released before anything can fail.
        EXPECT_EQ(released, std::vector<std::string>{c.port}) << c.name;
    }
}

TEST_F(ConnectionCheckTest, SilentDisplayIsNoAnswerAfterTheTenReads) {
    SimOptions silent{.silent = true};
    bench_.Attach(silent);
    const auto start = bench_.clock_.Now();
    EXPECT_EQ(Check(), Outcome::NoResponse);
    // Pause, three-byte select read (40 ms), pause, ten single reads (20 ms), and the line time
    // of the 24 bytes sent at 9600 baud (just under 25 ms).
    const auto took = std::chrono::duration_cast<milliseconds>(bench_.clock_.Now() - start);
    EXPECT_EQ(took, milliseconds(300 + 40 + 300 + 10 * 20 + 24));
    std::vector<std::vector<Byte>> sent = kEscPosCheck;
    sent.push_back(Bytes(CmdSetupExit));
    EXPECT_EQ(bench_.Transfers(), sent);
}

// A reply that comes after its read has ended waits in the input queue; it is dropped before the
// next request, so that it is not read as that request's answer.
TEST_F(ConnectionCheckTest, ALateReplyIsNotTakenForTheNextOne) {
    SimOptions silent{.silent = true};
    bench_.Attach(silent);
    const Byte stale[] = {kSyncByte, 0x23, 0x1F, 0x00};
    bench_.wire_.SendToPc(stale, milliseconds(100));
    EXPECT_EQ(Check(), Outcome::NoResponse);
}

TEST_F(ConnectionCheckTest, NoiseBeforeTheSyncByteIsDropped) {
    SimOptions noisy;
    noisy.noise = 9;  // the tenth read brings the sync byte
    bench_.Attach(noisy);
    EXPECT_EQ(Check(), Outcome::Connected);
}

TEST_F(ConnectionCheckTest, TooMuchNoiseIsNoAnswer) {
    SimOptions noisy{.noise = 12};
    bench_.Attach(noisy);
    EXPECT_EQ(Check(), Outcome::NoResponse);
}

TEST_F(ConnectionCheckTest, CheckAfterAFailureRunsEveryStepAgain) {
    bench_.wire_.SetDsr(false);
    EXPECT_EQ(Check(), Outcome::OpenFailed);
    bench_.wire_.SetDsr(true);
    EXPECT_EQ(Check(), Outcome::Connected);
    EXPECT_EQ(released_.size(), 2u);
}

TEST_F(ConnectionCheckTest, SelfTestBytesByMode) {
    ASSERT_TRUE(bench_.Open());
    struct Case {
        EmulationMode mode;
        std::vector<Byte> bytes;
    } cases[] = {
        {EmulationMode::EscPos, Bytes(CmdSelfTest)},
        {EmulationMode::Korvant, Bytes(CmdDirectInfo)},
        {EmulationMode::Others, Bytes(CmdDirectInfo)},
    };
    for (const Case& c : cases) {
        bench_.wire_.ClearWritten();
        EXPECT_EQ(RunSelfTest(bench_.channel_, c.mode), Outcome::Done);
        EXPECT_EQ(bench_.Transfers(), std::vector<std::vector<Byte>>{c.bytes});
    }
    bench_.wire_.SetCts(false);
    EXPECT_EQ(RunSelfTest(bench_.channel_, EmulationMode::EscPos), Outcome::PortError);
}

}  // namespace
}  // namespace vemora
