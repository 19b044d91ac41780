#include <gtest/gtest.h>

#include <fstream>

#include "cli/CliOptions.h"

namespace vemora {
namespace {

ParsedCommandLine Parse(std::vector<std::string> args) {
    return ParseCommandLine(args);
}

TEST(CliOptions, DefaultsAreTheDialogsDefaults) {
    const auto parsed = Parse({"check"});
    ASSERT_TRUE(parsed.options);
    EXPECT_EQ(parsed.options->line.portName, "COM1");
    EXPECT_EQ(parsed.options->line.baudRate, 9600u);
    EXPECT_EQ(parsed.options->line.dataBits, 8);
    EXPECT_EQ(parsed.options->line.parity, 0);
    EXPECT_EQ(parsed.options->mode, EmulationMode::EscPos);
    EXPECT_FALSE(parsed.options->keepPrinters);
}

TEST(CliOptions, LineSettingsAndModes) {
    const auto parsed = Parse({"-p", "\\\\.\\COM12", "--baud=115200", "-d", "7", "--parity", "Even",
                               "--mode", "korvant", "--keep-printers", "info"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->line.portName, "\\\\.\\COM12");
    EXPECT_EQ(parsed.options->line.baudRate, 115200u);
    EXPECT_EQ(parsed.options->line.dataBits, 7);
    EXPECT_EQ(parsed.options->line.parity, 2);
    EXPECT_EQ(parsed.options->mode, EmulationMode::Korvant);
    EXPECT_TRUE(parsed.options->keepPrinters);
    EXPECT_EQ(parsed.options->command, CliCommand::Info);
    EXPECT_TRUE(parsed.options->portGiven);
    EXPECT_FALSE(parsed.options->restore);

    const auto printers = Parse({"printers", "--restore"});
    ASSERT_TRUE(printers.options) << printers.error;
    EXPECT_EQ(printers.options->command, CliCommand::Printers);
    EXPECT_TRUE(printers.options->restore);
    EXPECT_FALSE(printers.options->portGiven);
}

TEST(CliOptions, OptionsOfTheToolAfterTheCommand) {
    const auto parsed = Parse({"get", "--save", "a", "-p", "COM2", "--json", "--trace"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->line.portName, "COM2");
    EXPECT_TRUE(parsed.options->json);
    EXPECT_TRUE(parsed.options->trace);
    EXPECT_EQ(parsed.options->saveFile, "a");
}

TEST(CliOptions, ManyPortsEachWithItsOwnFile) {
    const std::string list = ::testing::TempDir() + "bench.txt";
    std::ofstream(list) << "# the bench\n/dev/ttyUSB0\n\n  /dev/ttyUSB1  # left\nCOM3\n";
    const auto parsed = Parse({"-p", "/dev/serial/by-id/usb-1a86-port0", "--ports-from", list,
                               "get", "--save", "shop-{port}.sts"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->ports,
              (std::vector<std::string>{"/dev/serial/by-id/usb-1a86-port0", "/dev/ttyUSB0",
                                        "/dev/ttyUSB1", "COM3"}));
    const CliOptions com3 = ForPort(*parsed.options, "COM3");
    EXPECT_EQ(com3.line.portName, "COM3");
    EXPECT_EQ(com3.saveFile, "shop-COM3.sts");
    EXPECT_EQ(ForPort(*parsed.options, "/dev/serial/by-id/usb-1a86-port0").saveFile,
              "shop-usb-1a86-port0.sts");

    std::ofstream(list) << "/dev/ttyUSB0\nttyUSB1\n";
    EXPECT_NE(Parse({"--ports-from", list, "check"}).error.find("bench.txt:2: unknown port"),
              std::string::npos);
}

TEST(CliOptions, SettingsByTextOrIndex) {
    const auto parsed = Parse({"set", "--code-table", "pc737 (greek)", "--charset", "13",
                               "--brightness", "20%", "--cursor", "Cursor is not displayed"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const auto& s = parsed.options->settings;
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].setting, Setting::CodeTable);
    EXPECT_EQ(s[0].index, 6);
    EXPECT_EQ(s[1].index, 13);
    EXPECT_EQ(s[2].index, 3);
    EXPECT_EQ(s[3].index, 1);
}

TEST(CliOptions, WrongLinesSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "unknown command"},
        {{"-p", "COM10", "check"}, "unknown port"},
        {{"-p", "ttyUSB0", "check"}, "unknown port"},
        {{"-b", "4800", "check"}, "baud rate"},
        {{"-d", "9", "check"}, "data bits"},
        {{"--parity", "mark", "check"}, "parity"},
        {{"--mode", "epson", "check"}, "mode"},
        {{"get", "--load", "a.sts"}, "not expected: a.sts --load"},
        {{"set", "--save", "a"}, "not expected: a --save"},
        {{"--mode", "others", "get"}, "ESC/POS"},
        {{"direct", "--code-table", "0", "--charset", "0"}, "another emulation"},
        {{"--mode", "others", "direct", "--code-table", "0"}, "--charset is required"},
        {{"--mode", "others", "direct", "--code-table", "0", "--charset", "0", "--cursor", "0"},
         "not expected: 0 --cursor"},
        {{"set", "--brightness", "5"}, "100%"},
        {{"set", "--charset", "Atlantis"}, "China"},
        {{"check", "--fast"}, "not expected: --fast"},
        {{"show"}, "FILE is required"},
        {{"check", "extra"}, "not expected: extra"},
        {{"-p"}, "required NAME missing"},
        // A word that starts with "-" is never an option's value.
        {{"-p", "--json", "check"}, "-p needs a port"},
        {{"get", "--save", "--json"}, "--save needs a file name"},
        {{"set", "--load", "--brightness", "1"}, "--load needs a file name"},
        {{"get", "--save=-x.sts"}, "--save needs a file name"},
        {{"-p", "-b", "9600", "check"}, "-p needs a port"},
        {{"-b", "-9600", "check"}, "baud rate"},
        {{"set", "--charset", "-1"}, "--charset takes one of"},
        {{"items", "contrast"}, "the setting is"},
        {{"get", "--restore"}, "not expected: --restore"},
        // Several ports at once.
        {{"-p", "COM2", "-p", "COM3", "get", "--save", "shop.sts"}, "needs {port}"},
        {{"-p", "COM2", "-p", "COM2", "check"}, "COM2 is given twice"},
        {{"--ports-from", "/nonexistent/bench.txt", "check"}, "cannot be read"},
        {{"--mode", "others", "apply"}, "ESC/POS"},
    };
    for (const Case& c : cases) {
        const auto parsed = Parse(c.args);
        EXPECT_FALSE(parsed.options);
        EXPECT_NE(parsed.error.find(c.says), std::string::npos)
            << "error \"" << parsed.error << "\" should say " << c.says;
    }
}

TEST(CliOptions, HelpForTheToolAndEachCommand) {
    const auto all = Parse({"--help"});
    EXPECT_FALSE(all.options);
    EXPECT_TRUE(all.error.empty());
    EXPECT_NE(all.help.find("Exit status"), std::string::npos);
    const auto get = Parse({"get", "--help"});
    EXPECT_NE(get.help.find("--save FILE"), std::string::npos);
    EXPECT_EQ(get.help.find("Exit status"), std::string::npos);
    // Every command's help, for the manual page.
    const auto every = Parse({"--help-all"});
    EXPECT_NE(every.help.find("direct --code-table X --charset X:\n"), std::string::npos);
    EXPECT_EQ(Parse({"--version"}).help, "vemora-cli 1.0.3\n");
}

}  // namespace
}  // namespace vemora
