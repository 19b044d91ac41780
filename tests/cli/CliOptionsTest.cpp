#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli/CliOptions.h"
#include "cli/PortsList.h"

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

    const auto printers = Parse({"printers", "--restore", "--host", "old-name"});
    ASSERT_TRUE(printers.options) << printers.error;
    EXPECT_EQ(printers.options->command, CliCommand::Printers);
    EXPECT_TRUE(printers.options->restore);
    EXPECT_EQ(printers.options->oldHostName, "old-name");
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

    // A list written on Windows begins with a byte order mark; --ports-from may come again.
    const std::string more = ::testing::TempDir() + "more.txt";
    std::ofstream(more) << "\xEF\xBB\xBF/dev/ttyACM0\r\n";
    const auto both = Parse({"--ports-from", list, "--ports-from", more, "check"});
    ASSERT_TRUE(both.options) << both.error;
    EXPECT_EQ(both.options->ports.back(), "/dev/ttyACM0");
    EXPECT_EQ(both.options->ports.size(), 4u);
}

// A list that a generator got wrong never leads to a port that nobody named: it is refused,
// naming the file and the line, before any port is touched.
TEST(CliOptions, PortListsThatCannotBeUsed) {
    const std::string dir = ::testing::TempDir();
    const std::string list = dir + "ports.txt";
    std::string big;
    while (big.size() <= kPortsListLimit) {
        big += "/dev/ttyS0\n";
    }
    const struct {
        std::string text, file;
        int status;
        std::string says;
    } cases[] = {
        {"", list, 2, list + " names no port"},
        {"# no adapter found\n\n \t\n", list, 2, list + " names no port"},
        {"", dir, 4, "is a folder"},
        {"", "/nonexistent/bench.txt", 4, "cannot be read: No such file or directory"},
        {"", "/dev/zero", 4, "/dev/zero:1: the list is longer than 1 MiB"},
        {big, list, 4, list + ":95326: the list is longer than 1 MiB"},
        {"COM2\n" + std::string(4097, 'x') + "\n", list, 4,
         ":2: the line is longer than 4096 bytes"},
        {std::string("/dev/tty\0USB0\n", 14), list, 4, ":1: the line holds a NUL byte"},
        {"/dev/ttyUSB0\nttyUSB1\n", list, 4, ":2: unknown port \"ttyUSB1\""},
        {"\xEF\xBB\xBF\xEF\xBB\xBF/dev/ttyS0\n", list, 4, ":1: unknown port"},
    };
    for (const auto& c : cases) {
        std::ofstream(list, std::ios::binary) << c.text;
        const auto parsed = Parse({"-p", "COM2", "--ports-from", c.file, "apply"});
        EXPECT_FALSE(parsed.options) << c.says;
        EXPECT_EQ(parsed.errorStatus, c.status) << c.says;
        EXPECT_NE(parsed.error.find(c.says), std::string::npos)
            << "error \"" << parsed.error.substr(0, 200) << "\" should say " << c.says;
        EXPECT_LT(parsed.error.size(), 300u);
    }
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
    const std::string link = ::testing::TempDir() + "display-link";
    std::filesystem::remove(link);
    std::filesystem::create_symlink("/dev/null", link);
    struct Case {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{}, "no command"},
        {{"frobnicate"}, "unknown command"},
        {{"-p", "COM10", "check"}, "unknown port"},
        {{"-p", "ttyUSB0", "check"}, "unknown port"},
        {{"-b", "4800", "check"}, "baud rate"},
        {{"-d", "9", "check"}, "data bits"},
        {{"--parity", "mark", "check"}, "parity"},
        {{"--mode", "epson", "check"}, "mode"},
        {{"get", "--load", "a.sts"}, "unexpected argument \"a.sts --load\""},
        {{"set", "--save", "a"}, "unexpected argument \"a --save\""},
        {{"--mode", "others", "get"}, "ESC/POS"},
        {{"direct", "--code-table", "0", "--charset", "0"}, "another emulation"},
        {{"--mode", "others", "direct", "--code-table", "0"}, "--charset is required"},
        {{"--mode", "others", "direct", "--code-table", "0", "--charset", "0", "--cursor", "0"},
         "unexpected argument \"0 --cursor\""},
        {{"set", "--brightness", "5"}, "100%"},
        {{"set", "--charset", "Atlantis"}, "China"},
        {{"check", "--fast"}, "unexpected argument \"--fast\""},
        {{"show"}, "FILE is required"},
        {{"check", "extra"}, "unexpected argument \"extra\""},
        // A port given as other serial programs take it.
        {{"get", "/dev/null"}, "a port is given with -p: vemora-cli -p /dev/null COMMAND"},
        {{"/dev/null", "check"}, "-p /dev/null"},
        {{"-p"}, "--port needs a value"},
        // A word that starts with "-" is never an option's value.
        {{"-p", "--json", "check"}, "-p needs a port"},
        {{"get", "--save", "--json"}, "--save needs a file name"},
        {{"set", "--load", "--brightness", "1"}, "--load needs a file name"},
        {{"get", "--save=-x.sts"}, "--save needs a file name"},
        {{"-p", "-b", "9600", "check"}, "-p needs a port"},
        {{"-b", "-9600", "check"}, "baud rate"},
        {{"set", "--charset", "-1"}, "--charset takes one of"},
        {{"items", "contrast"}, "the setting is"},
        {{"get", "--restore"}, "unexpected argument \"--restore\""},
        {{"printers", "--host", "old-name"}, "--host requires --restore"},
        // Several ports at once.
        {{"-p", "COM2", "-p", "COM3", "get", "--save", "shop.sts"}, "needs {port}"},
        {{"-p", "COM2", "-p", "COM2", "check"}, "COM2 is given twice"},
        // One display under two names, or two saves that would land in one file.
        {{"-p", "COM1", "-p", "/dev/ttyS0", "check"}, "COM1 and /dev/ttyS0 are the same port"},
        {{"-p", "/dev/null", "-p", link, "check"},
         "/dev/null and " + link + " are the same port (/dev/null)"},
        {{"-p", "/dev//null", "-p", "/dev/null", "check"}, "are the same port (/dev/null)"},
        {{"-p", "/a/display", "-p", "/b/display", "get", "--save", "out/{port}"},
         "/a/display and /b/display would both save to out/display.sts"},
        {{"-p", "/a/x.sts", "-p", "/a/x", "get", "--save", "{port}"}, "both save to x.sts"},
        {{"--mode", "others", "apply"}, "ESC/POS"},
    };
    for (const Case& c : cases) {
        const auto parsed = Parse(c.args);
        EXPECT_FALSE(parsed.options);
        EXPECT_EQ(parsed.errorStatus, 2);
        EXPECT_NE(parsed.error.find(c.says), std::string::npos)
            << "error \"" << parsed.error << "\" should say " << c.says;
    }
    std::filesystem::remove(link);
    // The help a usage error points to: the command's when one was given.
    EXPECT_EQ(Parse({"set", "--brightness"}).command, "set");
    EXPECT_EQ(Parse({"-p"}).command, "");
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
