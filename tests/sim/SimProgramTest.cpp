// vemora-display-sim as the tool meets it: its pseudo-terminal opened through this machine's serial
// port code, and the exchanges the flows make, with real pauses.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "protocol/Exchange.h"
#include "support/ChildProcess.h"
#include "support/TestData.h"
#include "switches/StatusFile.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;

// The switches the simulator starts with, bank 1 first, bit 8 first; no two banks alike.
constexpr const char* kStartBanks[kBankCount] = {"10001101", "01100010", "00000001", "11111111",
                                                 "00100100"};

using test::Digits;

struct SwitchReply {
    SyncWaitResult sync;
    bool complete = false;
    std::string digits;
};

class SimProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SwitchImage start;
        for (int bank = 1; bank <= kBankCount; ++bank) {
            start.LoadBankDigits(bank, Digits(kStartBanks[bank - 1]));
        }
        ASSERT_TRUE(SaveStatusFile(dir_ / "start.sts", start).ok());
    }

    // Starts the program with the start switches and opens its pseudo-terminal.
    void Connect(std::vector<std::string> faults) {
        faults.insert(faults.end(), {"--switches", (dir_ / "start.sts").string()});
        sim_.emplace(faults);
        ASSERT_FALSE(sim_->Path().empty());
        PortConfig config;
        config.portName = sim_->Path();
        ASSERT_TRUE(channel_.Configure(config));
        ASSERT_TRUE(channel_.Open()) << channel_.LastOpenError().detail;
    }

    // The connection handshake up to the setup reply; the reads its sync wait made.
    int EnterSetup() {
        EXPECT_TRUE(exchange_.Send(CmdInitialize));
        EXPECT_TRUE(exchange_.Send(CmdSelectDisplay));
        exchange_.ReadSelectReply();
        EXPECT_TRUE(exchange_.Send(CmdSetupEnter));
        const SyncWaitResult sync = exchange_.AwaitReply(kSyncReadLimit);
        EXPECT_TRUE(sync.synced);
        exchange_.ReadSetupReply();
        EXPECT_TRUE(IsDisplayIdentity(exchange_.Buffer()));
        return sync.reads;
    }

    SwitchReply Query(int bank) {
        EXPECT_TRUE(exchange_.Send(CmdSwitchQuery(bank)));
        SwitchReply reply;
        reply.sync = exchange_.AwaitReply(kSyncReadLimit);
        exchange_.ReadSwitchReply();
        reply.complete = SwitchReplyComplete(exchange_.Buffer());
        const SwitchDigits digits = SwitchReplyDigits(exchange_.Buffer());
        reply.digits.assign(digits.begin(), digits.end());
        return reply;
    }

    test::TempFolder dir_{"sim"};
    std::optional<test::Simulator> sim_;
    CSerialChannel channel_;
    DisplayExchange exchange_{
        channel_, [](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); }};
};

TEST_F(SimProgramTest, HandshakeSwitchesFromItsFileAndAWriteInSetupMode) {
    Connect({});
    // One read: the select reply was taken whole, nothing of it is left before the sync byte.
    EXPECT_EQ(EnterSetup(), 1);

    for (int bank = 1; bank <= kBankCount; ++bank) {
        const SwitchReply reply = Query(bank);
        EXPECT_TRUE(reply.sync.synced) << bank;
        EXPECT_EQ(reply.sync.reads, 1) << bank;
        EXPECT_TRUE(reply.complete) << bank;
        EXPECT_EQ(reply.digits, kStartBanks[bank - 1]) << bank;
    }

    EXPECT_TRUE(exchange_.Send(CmdSwitchWrite(3, Digits("10100110"))));
    EXPECT_EQ(Query(3).digits, "10100110");

    // Out of setup mode the display no longer takes switch writes.
    EXPECT_TRUE(exchange_.Send(CmdSetupExit));
    EXPECT_TRUE(exchange_.Send(CmdSwitchWrite(3, Digits("00000000"))));
    EXPECT_EQ(Query(3).digits, "10100110");
}

TEST_F(SimProgramTest, SyncWaitDropsTheNoiseBeforeEachReply) {
    Connect({"--noise", "4"});
    EXPECT_EQ(EnterSetup(), 5);

    const SwitchReply reply = Query(5);
    EXPECT_TRUE(reply.sync.synced);
    EXPECT_EQ(reply.sync.reads, 5);
    EXPECT_TRUE(reply.complete);
    EXPECT_EQ(reply.digits, kStartBanks[4]);
    EXPECT_TRUE(exchange_.Send(CmdSetupExit));
}

}  // namespace
}  // namespace vemora
