#include <gtest/gtest.h>

#include <sstream>

#include "cli/ProgressLines.h"

namespace vemora {
namespace {

TEST(ProgressLines, ShownOnATerminalOrWhenForcedNeverWhenQuiet) {
    const struct {
        bool forced, quiet, terminal;
        ProgressStyle style;
    } cases[] = {
        {false, false, false, ProgressStyle::Off},  // a pipe
        {true, false, false, ProgressStyle::Lines},  {false, false, true, ProgressStyle::InPlace},
        {true, false, true, ProgressStyle::InPlace}, {false, true, true, ProgressStyle::Off},
        {true, true, false, ProgressStyle::Off},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseProgressStyle(c.forced, c.quiet, c.terminal), c.style)
            << c.forced << c.quiet << c.terminal;
    }
}

// Two ports: the steps of each, two lines of output in between (each redraws the progress under
// it), then the end of the run.
TEST(ProgressLines, EachStyleOnStderrAndTheOutputUntouched) {
    const std::string up = "\r\x1b[2A\x1b[J";
    const std::string checking = "COM1: checking\x1b[K\nCOM2: \x1b[K\n";
    const std::string reading = "COM1: checking\x1b[K\nCOM2: reading bank 3 of 5\x1b[K\n";
    const std::string verifying =
        "COM1: verifying bank 2 of 5\x1b[K\nCOM2: reading bank 3 of 5\x1b[K\n";
    const struct {
        ProgressStyle style;
        std::string err;
    } cases[] = {
        {ProgressStyle::Off, ""},
        {ProgressStyle::Lines,
         "COM1: checking\nCOM2: reading bank 3 of 5\nCOM1: writing\nCOM1: verifying bank 2 of 5\n"
         "COM1: Changed.\n"},
        {ProgressStyle::InPlace,
         checking + up + reading + up + reading + up + reading + up +
             "COM1: writing\x1b[K\nCOM2: reading bank 3 of 5\x1b[K\n" + up + verifying + up +
             "COM1: Changed.\x1b[K\nCOM2: reading bank 3 of 5\x1b[K\n" + up},
    };
    for (const auto& c : cases) {
        std::ostringstream err;
        std::ostringstream out;
        ProgressLines lines(err, c.style, {"COM1", "COM2"});
        PortProgress first(lines, 0);
        PortProgress second(lines, 1);
        first.Say("checking");
        second.ReadingBank(3);
        {
            ProgressAwareStream output(lines, out);
            output << "Connected.\n"
                   << "no line end";
        }
        first.WritingBanks();
        first.ReadingBank(2);
        first.Say("Changed.");
        first.Say("Changed.");  // said once
        lines.Clear();
        second.Say("after the end");
        EXPECT_EQ(err.str(), c.err) << static_cast<int>(c.style);
        EXPECT_EQ(out.str(), "Connected.\nno line end\n");
    }
}

}  // namespace
}  // namespace vemora
