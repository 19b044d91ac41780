#include <gtest/gtest.h>

#include "flows/DirectCommands.h"
#include "support/DisplayBench.h"

namespace vemora {
namespace {

using test::Bytes;

TEST(DirectCommands, CharacterSetThenCodeTable) {
    struct Case {
        int codeTable, characterSet;
        Byte n, table;
    } cases[] = {
        {0, 0, 0x00, 0x00},    // right after the dialog opens
        {6, 13, 0x0D, 0x1D},   // PC737 (Greek), Korea
        {16, 15, 0x0F, 0x1B},  // PC864(Arabic), China
        {1, 0, 0x00, 0x01},    // Katakana
        {17, 0, 0x00, 0x00},   // outside the list
    };
    for (const Case& c : cases) {
        SimOptions options{.emulation = SimEmulation::Others};
        test::DisplayBench bench(options);
        ASSERT_TRUE(bench.Open());
        EXPECT_EQ(SendDirectSettings(bench.channel_, c.codeTable, c.characterSet), Outcome::Done);
        EXPECT_EQ(bench.Transfers(),
                  (std::vector<std::vector<Byte>>{Bytes(CmdDirectCharset(c.n)),
                                                  Bytes(CmdDirectCodeTable(c.table))}));
        EXPECT_EQ(bench.Sim().CodeTable(), c.table);
        EXPECT_TRUE(bench.pauses_.empty());
    }
}

TEST(DirectCommands, ShowInformationAndAPortThatTakesNothing) {
    test::DisplayBench bench;
    ASSERT_TRUE(bench.Open());
    EXPECT_EQ(ShowInformation(bench.channel_), Outcome::Done);
    EXPECT_EQ(bench.Transfers(), std::vector<std::vector<Byte>>{Bytes(CmdDirectInfo)});
    bench.wire_.SetCts(false);
    EXPECT_EQ(ShowInformation(bench.channel_), Outcome::PortError);
    EXPECT_EQ(SendDirectSettings(bench.channel_, 1, 1), Outcome::PortError);
}

}  // namespace
}  // namespace vemora
