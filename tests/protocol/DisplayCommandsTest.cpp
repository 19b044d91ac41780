#include <gtest/gtest.h>

#include <vector>

#include "protocol/DisplayCommands.h"
#include "support/TestData.h"

namespace vemora {
namespace {

using test::Bytes;

TEST(DisplayCommands, FixedCommandsAreExactBytes) {
    EXPECT_EQ(Bytes(CmdInitialize), (std::vector<Byte>{0x1B, 0x40}));
    EXPECT_EQ(Bytes(CmdSelectDisplay), (std::vector<Byte>{0x1B, 0x3D, 0x02}));
    EXPECT_EQ(Bytes(CmdSetupEnter),
              (std::vector<Byte>{0x1F, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E}));
    EXPECT_EQ(Bytes(CmdSetupExit),
              (std::vector<Byte>{0x1F, 0x28, 0x45, 0x04, 0x00, 0x02, 0x4F, 0x55, 0x54}));
    EXPECT_EQ(Bytes(CmdSelfTest), (std::vector<Byte>{0x1F, 0x40}));
    EXPECT_EQ(Bytes(CmdDirectInfo), (std::vector<Byte>{0x02, 0x05, 0x56, 0x05, 0x03}));
}

TEST(DisplayCommands, SwitchQueryCarriesTheBankCode) {
    for (int bank = 1; bank <= kBankCount; ++bank) {
        const std::vector<Byte> expected{
            0x1F, 0x28, 0x45, 0x02, 0x00, 0x04, static_cast<Byte>(0x09 + bank)};
        EXPECT_EQ(Bytes(CmdSwitchQuery(bank)), expected) << "bank " << bank;
    }
    EXPECT_EQ(CmdSwitchQuery(1)[6], 0x0A);
    EXPECT_EQ(CmdSwitchQuery(5)[6], 0x0E);
}

TEST(DisplayCommands, SwitchWritePlacesCodeAndDigits) {
    const SwitchDigits bits1and2{'0', '0', '0', '0', '0', '0', '1', '1'};
    EXPECT_EQ(Bytes(CmdSwitchWrite(3, bits1and2)),
              (std::vector<Byte>{0x1F, 0x28, 0x45, 0x0A, 0x00, 0x03, 0x0C, 0x30, 0x30, 0x30, 0x30,
                                 0x30, 0x30, 0x31, 0x31}));
    const SwitchDigits ones{'1', '1', '1', '1', '1', '1', '1', '1'};
    for (int bank = 1; bank <= kBankCount; ++bank) {
        const auto cmd = CmdSwitchWrite(bank, ones);
        EXPECT_EQ(cmd[6], BankCode(bank));
        for (int i = 7; i < 15; ++i) {
            EXPECT_EQ(cmd[i], '1');
        }
    }
}

TEST(DisplayCommands, DirectCommandsCarryOneByte) {
    EXPECT_EQ(Bytes(CmdDirectCharset(15)), (std::vector<Byte>{0x02, 0x05, 0x53, 0x0F, 0x03}));
    EXPECT_EQ(Bytes(CmdDirectCharset(0)), (std::vector<Byte>{0x02, 0x05, 0x53, 0x00, 0x03}));
    EXPECT_EQ(Bytes(CmdDirectCodeTable(0x1D)), (std::vector<Byte>{0x02, 0x05, 0x46, 0x1D, 0x03}));
    EXPECT_EQ(Bytes(CmdDirectCodeTable(0x1B)), (std::vector<Byte>{0x02, 0x05, 0x46, 0x1B, 0x03}));
}

TEST(DisplayReplies, IdentityNeedsBothLeadingBytes) {
    struct Case {
        Byte b0, b1, b2;
        bool accepted;
    } cases[] = {
        {0x23, 0x1F, 0x00, true},  {0x23, 0x1F, 0xFF, true},  {0x23, 0x1E, 0x00, false},
        {0x22, 0x1F, 0x00, false}, {0x00, 0x00, 0x00, false},
    };
    for (const Case& c : cases) {
        ReplyBuffer reply{};
        reply[0] = c.b0;
        reply[1] = c.b1;
        reply[2] = c.b2;
        EXPECT_EQ(IsDisplayIdentity(reply), c.accepted) << int(c.b0) << " " << int(c.b1);
    }
}

TEST(DisplayReplies, SwitchDigitsAreBytesTwoToNine) {
    ReplyBuffer reply{};
    const char text[] = "xx00000101y";
    std::copy(text, text + 11, reply.begin());
    const SwitchDigits expected{'0', '0', '0', '0', '0', '1', '0', '1'};
    EXPECT_EQ(SwitchReplyDigits(reply), expected);
    EXPECT_TRUE(SwitchReplyComplete(reply));

    reply[9] = 0;  // the reply stopped before its last digit
    EXPECT_FALSE(SwitchReplyComplete(reply));
    reply[9] = '2';  // an odd digit did arrive and is handed on unchanged
    EXPECT_TRUE(SwitchReplyComplete(reply));
    EXPECT_EQ(SwitchReplyDigits(reply)[7], '2');
    for (Byte noise : {Byte{'/'}, Byte{':'}, Byte{0xFF}, Byte{'W'}}) {
        reply[5] = noise;  // a byte that is no digit makes it noise, not an answer
        EXPECT_FALSE(SwitchReplyComplete(reply)) << int(noise);
    }
}

// Feeds the bytes of a scripted line to the sync wait; a read past the end times out.
struct ScriptedLine {
    std::vector<Byte> bytes;
    std::size_t next = 0;
    ReadOneByte Reader() {
        return [this](Byte* into) {
            if (next < bytes.size()) {
                *into = bytes[next++];
            }
        };
    }
};

TEST(SyncWait, DropsNoiseAndStopsAtTheFirstSyncByte) {
    ScriptedLine line{{0x23, 0x57 - 1, 0x00, kSyncByte, kSyncByte, 0x23}};
    ReplyBuffer buffer{};
    const auto result = WaitForSync(buffer, line.Reader(), std::nullopt);
    EXPECT_TRUE(result.synced);
    EXPECT_EQ(result.reads, 4);
    EXPECT_EQ(line.next, 4u);  // the second 'W' is the reply's first byte
}

TEST(SyncWait, StopsAtItsLimitWithoutSync) {
    ScriptedLine line{std::vector<Byte>(30, 0x41)};
    ReplyBuffer buffer{};
    const auto result = WaitForSync(buffer, line.Reader(), 10);
    EXPECT_FALSE(result.synced);
    EXPECT_EQ(result.reads, 10);
    EXPECT_EQ(line.next, 10u);
}

TEST(SyncWait, SilentLineUsesTheWholeLimitAndFirstReadHookRunsOnce) {
    ScriptedLine silent;
    ReplyBuffer buffer{};
    int hooks = 0;
    const auto result = WaitForSync(buffer, silent.Reader(), 10, [&] { ++hooks; });
    EXPECT_FALSE(result.synced);
    EXPECT_EQ(result.reads, 10);
    EXPECT_EQ(hooks, 1);
}

TEST(SyncWait, SyncByteOnTheLimitReadCounts) {
    ScriptedLine line{{1, 2, 3, 4, 5, 6, 7, 8, 9, kSyncByte}};
    ReplyBuffer buffer{};
    EXPECT_TRUE(WaitForSync(buffer, line.Reader(), 10).synced);
}

}  // namespace
}  // namespace vemora
