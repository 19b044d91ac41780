#include <gtest/gtest.h>

#include <vector>

#include "sim/DisplaySim.h"

namespace vemora {
namespace {

template <typename Range>
std::vector<Byte> Send(DisplaySim& sim, const Range& command) {
    return sim.Receive(std::span<const Byte>(command.data(), command.size()));
}

std::vector<Byte> Concat(std::initializer_list<std::vector<Byte>> parts) {
    std::vector<Byte> all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

SimOptions WithBank1(const char* digits) {
    SimOptions options;
    SwitchDigits d;
    std::copy(digits, digits + 8, d.begin());
    options.switches.LoadBankDigits(1, d);
    return options;
}

TEST(DisplaySim, AnswersTheEscPosExchanges) {
    DisplaySim sim(WithBank1("00011101"));
    EXPECT_TRUE(Send(sim, CmdInitialize).empty());
    EXPECT_EQ(Send(sim, CmdSelectDisplay).size(), 3u);
    EXPECT_EQ(Send(sim, CmdSetupEnter), (std::vector<Byte>{0x57, 0x23, 0x1F, 0x01}));
    EXPECT_EQ(sim.State(), SimState::Setup);

    const std::vector<Byte> reply = Send(sim, CmdSwitchQuery(1));
    ASSERT_EQ(reply.size(), 12u);
    EXPECT_EQ(reply[0], kSyncByte);
    EXPECT_EQ(std::string(reply.begin() + 3, reply.begin() + 11), "00011101");

    const SwitchDigits written{'0', '0', '0', '0', '0', '1', '0', '1'};
    EXPECT_TRUE(Send(sim, CmdSwitchWrite(3, written)).empty());
    EXPECT_EQ(sim.Bank(3), written);
    EXPECT_TRUE(Send(sim, CmdSetupExit).empty());
    EXPECT_EQ(sim.State(), SimState::Ready);
    EXPECT_TRUE(Send(sim, CmdSelfTest).empty());
    EXPECT_EQ(sim.State(), SimState::SelfTest);
    EXPECT_EQ(sim.Commands().size(), 7u);
}

TEST(DisplaySim, SwitchWritesCountOnlyInSetupMode) {
    DisplaySim sim({});
    const SwitchDigits ones{'1', '1', '1', '1', '1', '1', '1', '1'};
    Send(sim, CmdSwitchWrite(2, ones));
    EXPECT_EQ(sim.Bank(2), (SwitchDigits{'0', '0', '0', '0', '0', '0', '0', '0'}));
}

TEST(DisplaySim, CommandsSplitAcrossWritesAndTextBetween) {
    DisplaySim sim({});
    const std::vector<Byte> all =
        Concat({{'H', 'i'}, {CmdSetupEnter.begin(), CmdSetupEnter.end()}, {'!'}});
    std::vector<Byte> reply;
    for (Byte b : all) {
        const std::vector<Byte> r = sim.Receive(std::span<const Byte>(&b, 1));
        reply.insert(reply.end(), r.begin(), r.end());
    }
    EXPECT_EQ(reply.size(), 4u);
    EXPECT_EQ(sim.Lines()[0], "USER SETUP MODE!");
}

TEST(DisplaySim, Faults) {
    struct Case {
        const char* name;
        SimOptions options;
        std::vector<Byte> setupReply;
        std::size_t switchReplySize;
    };
    SimOptions silent{.silent = true};
    SimOptions noise{.noise = 3};
    SimOptions wrong{.wrongIdentity = true};
    SimOptions shortReply{.shortReply = true};
    const Case cases[] = {
        {"silent", silent, {}, 0},
        {"noise", noise, {0x30, 0x31, 0x32, 0x57, 0x23, 0x1F, 0x01}, 15},
        {"wrong identity", wrong, {0x57, 0x23, 0x1E, 0x01}, 12},
        {"short reply", shortReply, {0x57, 0x23, 0x1F, 0x01}, 7},
    };
    for (const Case& c : cases) {
        DisplaySim sim(c.options);
        EXPECT_EQ(Send(sim, CmdSetupEnter), c.setupReply) << c.name;
        EXPECT_EQ(Send(sim, CmdSwitchQuery(4)).size(), c.switchReplySize) << c.name;
    }
}

TEST(DisplaySim, DigitTwoReplacesTheLowestOnBit) {
    SimOptions options = WithBank1("00011101");
    options.digitTwoBank = 1;
    DisplaySim sim(options);
    const std::vector<Byte> reply = Send(sim, CmdSwitchQuery(1));
    EXPECT_EQ(std::string(reply.begin() + 3, reply.begin() + 11), "00011102");
}

TEST(DisplaySim, OtherEmulationsTakeDirectCommandsAndAnswerNothing) {
    SimOptions options{.emulation = SimEmulation::Korvant};
    DisplaySim sim(options);
    EXPECT_TRUE(Send(sim, CmdSetupEnter).empty());
    EXPECT_TRUE(Send(sim, CmdSelectDisplay).empty());
    Send(sim, CmdDirectCharset(13));
    Send(sim, CmdDirectCodeTable(0x1D));
    EXPECT_EQ(sim.CharacterSet(), 13);
    EXPECT_EQ(sim.CodeTable(), 0x1D);
    Send(sim, CmdDirectInfo);
    EXPECT_EQ(sim.State(), SimState::Information);

    DisplaySim escPos({});
    Send(escPos, CmdDirectCharset(13));
    EXPECT_EQ(escPos.CharacterSet(), -1);
}

}  // namespace
}  // namespace vemora
