#include <gtest/gtest.h>

#include <vector>

#include "protocol/Exchange.h"
#include "protocol/GuardedPort.h"
#include "sim/WiredDisplay.h"
#include "support/DisplayBench.h"
#include "switches/SettingLists.h"

namespace vemora {
namespace {

using std::chrono::milliseconds;

class ExchangeTest : public ::testing::Test {
  protected:
    void Connect(SimOptions options) {
        bench_.Attach(std::move(options));
        ASSERT_TRUE(bench_.Open());
    }
    DisplayExchange Exchange() { return DisplayExchange(bench_.channel_, bench_.PauseFn()); }

    test::DisplayBench bench_;
    VirtualClock& clock_ = bench_.clock_;
    CSerialChannel& channel_ = bench_.channel_;
};

TEST_F(ExchangeTest, SetupReplyAfterNoise) {
    SimOptions options{.noise = 5};
    Connect(options);
    DisplayExchange exchange = Exchange();
    EXPECT_TRUE(exchange.Send(CmdSetupEnter));
    const SyncWaitResult sync = exchange.AwaitReply(kSyncReadLimit);
    EXPECT_TRUE(sync.synced);
    EXPECT_EQ(sync.reads, 6);
    exchange.ReadSetupReply();
    EXPECT_TRUE(IsDisplayIdentity(exchange.Buffer()));
    EXPECT_EQ(bench_.PauseLengths(), std::vector<milliseconds>{kReplyPause});
}

TEST_F(ExchangeTest, SyncWaitStopsAtItsLimitOnASilentDisplay) {
    SimOptions options{.silent = true};
    Connect(options);
    DisplayExchange exchange = Exchange();
    exchange.Send(CmdSwitchQuery(1));
    const auto start = clock_.Now();
    const SyncWaitResult sync = exchange.AwaitReply(kSyncReadLimit);
    EXPECT_FALSE(sync.synced);
    EXPECT_EQ(sync.reads, 10);
    // The pause, then ten silent single-byte reads of 20 ms each.
    EXPECT_EQ(clock_.Now() - start, milliseconds(300 + 10 * 20));
}

TEST_F(ExchangeTest, SwitchReplyDigitsAndAShortOne) {
    SimOptions options;
    ApplySetting(options.switches, Setting::CodeTable, 16);
    Connect(options);
    DisplayExchange exchange = Exchange();
    exchange.Send(CmdSwitchQuery(1));
    ASSERT_TRUE(exchange.AwaitReply(kSyncReadLimit).synced);
    exchange.ReadSwitchReply();
    EXPECT_TRUE(SwitchReplyComplete(exchange.Buffer()));
    EXPECT_EQ(SwitchReplyDigits(exchange.Buffer()),
              (SwitchDigits{'0', '0', '0', '1', '1', '0', '1', '1'}));

    options.shortReply = true;
    Connect(options);
    DisplayExchange shortExchange = Exchange();
    shortExchange.Send(CmdSwitchQuery(1));
    ASSERT_TRUE(shortExchange.AwaitReply(kSyncReadLimit).synced);
    shortExchange.ReadSwitchReply();
    EXPECT_FALSE(SwitchReplyComplete(shortExchange.Buffer()));
}

TEST_F(ExchangeTest, SelectReplyIsReadAfterThePauseAndDropped) {
    Connect({});
    DisplayExchange exchange = Exchange();
    exchange.Send(CmdSelectDisplay);
    exchange.ReadSelectReply();
    EXPECT_EQ(bench_.PauseLengths(), std::vector<milliseconds>{kReplyPause});
    // Nothing of the select reply is left for the next read.
    Byte extra = 0;
    EXPECT_EQ(channel_.Read(&extra, 1), 0u);
}

// A program ended by a signal: a display in its setup mode is told to leave it, and nothing goes
// out after the port was shut.
TEST(GuardedPort, ShutdownTakesTheDisplayOutOfItsSetupModeOnly) {
    for (const bool entered : {true, false}) {
        VirtualClock clock;
        MemoryWire wire(clock);
        WiredDisplay display(wire, {});
        auto guarded =
            std::make_unique<GuardedPort>(wire.MakeDevice(), GuardedPort::AfterShutdown::Returning);
        GuardedPort& port = *guarded;
        CSerialChannel channel(std::move(guarded));
        PortConfig config;
        config.portName = "/dev/wire";
        channel.Configure(config);
        ASSERT_TRUE(channel.Open());
        if (entered) {
            ASSERT_TRUE(SendWhole(channel, CmdSetupEnter));
            ASSERT_EQ(display.Sim().State(), SimState::Setup);
        }
        port.Shutdown();
        EXPECT_EQ(display.Sim().State(), SimState::Ready) << entered;
        EXPECT_FALSE(SendWhole(channel, CmdSelfTest));
        EXPECT_EQ(wire.WrittenBytes().size(),
                  entered ? CmdSetupEnter.size() + CmdSetupExit.size() : 0u);
        EXPECT_FALSE(wire.IsOpen());
    }
}

}  // namespace
}  // namespace vemora
