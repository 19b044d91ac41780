// vemora-cli against vemora-display-sim on a pseudo-terminal: the programs as a user runs them.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "printers/HostLock.h"
#include "support/ChildProcess.h"
#include "support/Messages.h"
#include "support/SwitchImages.h"
#include "switches/StatusFile.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;
using test::Heard;
using test::Said;
using test::Simulator;

struct Finished {
    int status = -1;
    std::string out, err;
};

// Runs vemora-cli with `args`, or with `cli` false the program that args[0] names.
Finished Cli(std::vector<std::string> args, bool cli = true) {
    if (cli) {
        args.insert(args.begin(), VEMORA_CLI);
    }
    const test::Child child = test::Start(args);
    Finished f;
    f.out = test::ReadAll(child.out);
    f.err = test::ReadAll(child.err);
    int status = 0;
    waitpid(child.pid, &status, 0);
    f.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return f;
}

class CliEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vemora-e2e-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(CliEndToEnd, CheckGetSaveShowAndSetLoad) {
    const SwitchImage start = test::ImageShowing({6, 13, 0, 1, 0});
    ASSERT_TRUE(SaveStatusFile(dir_ / "start.sts", start).ok());
    Simulator sim({"--switches", (dir_ / "start.sts").string(), "--noise", "3", "--log",
                   (dir_ / "sim.log").string()});
    ASSERT_FALSE(sim.Path().empty());

    Finished check = Cli({"-p", sim.Path(), "check"});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, Said(Outcome::Connected) + "\n");

    const std::string saved = (dir_ / "kept").string();
    Finished get = Cli({"-p", sim.Path(), "--keep-printers", "get", "--save", saved});
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_NE(get.out.find("Character code table: PC737 (Greek)\n"), std::string::npos);
    EXPECT_NE(get.out.find("International character set: Korea\n"), std::string::npos);
    ASSERT_TRUE(fs::exists(saved + ".sts"));

    Finished show = Cli({"show", saved + ".sts"});
    EXPECT_EQ(show.status, 0);
    EXPECT_EQ(show.out,
              "Character code table: PC737 (Greek)\nInternational character set: Korea\n"
              "Brightness: 100%\nPeripheral device: Customer Display\n"
              "Cursor display mode: Cursor is displayed\n");

    SwitchImage other;
    ApplySetting(other, Setting::CodeTable, 1);
    ASSERT_TRUE(SaveStatusFile(dir_ / "other.sts", other).ok());
    Finished set = Cli({"-p", sim.Path(), "--keep-printers", "set", "--load",
                        (dir_ / "other.sts").string(), "--charset", "France"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_NE(set.out.find(Said(Outcome::SetStatus) + "\n"), std::string::npos);

    Finished reread = Cli({"-p", sim.Path(), "--keep-printers", "--json", "get"});
    EXPECT_EQ(reread.status, 0);
    EXPECT_NE(reread.out.find("\"codeTable\":{\"index\":1,\"item\":\"Katakana\"}"),
              std::string::npos)
        << reread.out;
    EXPECT_NE(reread.out.find("\"characterSet\":{\"index\":1,\"item\":\"France\"}"),
              std::string::npos);

    // The simulator heard a switch write for every bank.
    std::ifstream log(dir_ / "sim.log");
    std::string line;
    int writes = 0;
    while (std::getline(log, line)) {
        writes += line.find("1F 28 45 0A 00 03") != std::string::npos;
    }
    EXPECT_EQ(writes, 5);
}

TEST_F(CliEndToEnd, DirectAndInfoInAnotherEmulation) {
    Simulator sim({"--mode", "korvant", "--log", (dir_ / "sim.log").string()});
    Finished direct = Cli({"-p", sim.Path(), "--keep-printers", "-m", "korvant", "direct",
                           "--code-table", "6", "--charset", "Korea"});
    EXPECT_EQ(direct.status, 0) << direct.err;
    Finished info = Cli({"-p", sim.Path(), "--keep-printers", "-m", "korvant", "info"});
    EXPECT_EQ(info.status, 0) << info.err;
    usleep(300 * 1000);  // the simulator logs what it has read
    std::ifstream log(dir_ / "sim.log");
    const std::string text((std::istreambuf_iterator<char>(log)), {});
    EXPECT_NE(text.find("02 05 53 0D 03"), std::string::npos) << text;
    EXPECT_NE(text.find("02 05 46 1D 03"), std::string::npos);
    EXPECT_NE(text.find("02 05 56 05 03"), std::string::npos);
}

TEST_F(CliEndToEnd, SilentDisplayAndMissingPort) {
    Simulator sim({"--silent"});
    Finished check = Cli({"-p", sim.Path(), "--keep-printers", "check"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, Said(Outcome::NoResponse) + "\n");

    // --keep-printers leaves the printers alone, not the port's lock.
    PortLocks otherRun;
    ASSERT_EQ(otherRun.Take(sim.Path()), LockError{});
    Finished held = Cli({"-p", sim.Path(), "--keep-printers", "check"});
    EXPECT_EQ(held.status, 3);
    EXPECT_NE(held.err.find("is held by another program (process " + std::to_string(getpid())),
              std::string::npos)
        << held.err;
    otherRun.Clear();

    Finished missing = Cli({"-p", "/dev/vemora-no-such-port", "--keep-printers", "check"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.err.find(Said(Outcome::OpenFailed) + "\n"), std::string::npos);
    EXPECT_NE(missing.err.find("/dev/vemora-no-such-port"), std::string::npos);

    Finished usage = Cli({"--baud", "300", "check"});
    EXPECT_EQ(usage.status, 2);
}

// The JSON contract: with --json every command prints one document on stdout, also when it
// fails, an object for one port and an array for several, each with the port, the exit status and
// the messages, and the command's own fields.
TEST_F(CliEndToEnd, JsonOfEveryCommandSuccessAndFailure) {
    Simulator sim({});
    Simulator silent({"--silent"});
    Simulator korvant({"--mode", "korvant"});
    ASSERT_TRUE(SaveStatusFile(dir_ / "shop.sts", test::ImageShowing({1, 2, 3, 1, 0})).ok());
    std::ofstream(dir_ / "ff.sts") << std::string(180, '\xFF');
    const std::string p = sim.Path();
    const std::string shop = (dir_ / "shop.sts").string();
    const struct {
        std::vector<std::string> args;
        int status;  // -1: whatever the machine's scheduler makes it
        std::vector<std::string> fields;
    } cases[] = {
        {{"ports", "--all"}, 0, {"ports"}},
        {{"items", "brightness"}, 0, {"items"}},
        {{"show", shop}, 0, {"file", "settings", "cells"}},
        {{"show", shop + ".missing.sts"}, 4, {}},
        {{"-p", p, "check"}, 0, {"connected", "identity"}},
        {{"-p", silent.Path(), "check"}, 1, {"connected", "identity"}},
        {{"-p", "/dev/vemora-no-such-port", "check"}, 3, {"connected"}},
        {{"-p", p, "self-test"}, 0, {"connected", "sent"}},
        {{"-p", p, "get"}, 0, {"connected", "settings", "cells"}},
        {{"-p", p, "set", "--brightness", "40%"}, 0, {"written", "settings"}},
        {{"-p", p, "apply", "--dry-run", "--load", shop},
         0,
         {"dryRun", "changed", "before", "after"}},
        {{"-p", p, "apply", "--load", (dir_ / "ff.sts").string()}, 4, {}},
        {{"-p", korvant.Path(), "-m", "korvant", "direct", "--code-table", "1", "--charset", "1"},
         0,
         {"connected", "sent"}},
        {{"-p", korvant.Path(), "-m", "korvant", "info"}, 0, {"sent"}},
        {{"printers"}, -1, {"printers"}},
        {{"get", p}, 2, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), {"--keep-printers", "--json"});
        const Finished run = Cli(args);
        SCOPED_TRACE(c.args.front() + " " + c.args.back() + ": " + run.out + run.err);
        const auto document = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(document.is_object());
        EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);  // one document, one line
        EXPECT_EQ(document["exitStatus"], run.status);
        EXPECT_EQ(run.status, c.status == -1 ? run.status : c.status);
        EXPECT_TRUE(document.contains("port"));
        EXPECT_TRUE(document["messages"].is_array());
        // A failure says why, a connection says "Connected.".
        if (run.status != 0 || document.value("connected", false)) {
            EXPECT_FALSE(document["messages"].empty());
        }
        for (const std::string& field : c.fields) {
            EXPECT_TRUE(document.contains(field)) << field;
        }
    }
    // Several ports: an array of those objects; the run's status is the highest.
    const Finished both =
        Cli({"--keep-printers", "--json", "-p", p, "-p", "/dev/vemora-no-such-port", "check"});
    const auto array = nlohmann::json::parse(both.out, nullptr, false);
    ASSERT_TRUE(array.is_array()) << both.out;
    EXPECT_EQ(array.size(), 2u);
    EXPECT_EQ(array[0]["exitStatus"], 0);
    EXPECT_EQ(array[1]["port"], "/dev/vemora-no-such-port");
    EXPECT_EQ(array[1]["exitStatus"], 3);
    EXPECT_EQ(both.status, 3);
}

// Ports that are no serial line, files that are no status file, saves that cannot be written and
// option values that are options: each refused with the reason before the display hears anything.
TEST_F(CliEndToEnd, BadInputIsRefusedBeforeTheDisplayHearsAnything) {
    Simulator sim({"--log", (dir_ / "sim.log").string()});
    ASSERT_FALSE(sim.Path().empty());
    ASSERT_EQ(mkfifo((dir_ / "fifo.sts").c_str(), 0600), 0);
    std::ofstream(dir_ / "ff.sts") << std::string(180, '\xFF');
    std::ofstream(dir_ / "notsts.bin") << std::string(180, '\0');
    const std::string dir = dir_.string();
    const struct {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {{"-p", "/dev/null", "check"}, 3, "/dev/null is not a serial port"},
        {{"-p", dir, "check"}, 3, "Is a directory"},
        {{"show", dir + "/fifo.sts"}, 4, "Not a regular file"},
        {{"-p", sim.Path(), "set", "--load", dir + "/fifo.sts"}, 4, "Not a regular file"},
        {{"-p", sim.Path(), "set", "--load", dir + "/ff.sts"},
         4,
         Said(Outcome::WrongFormat) + "\n" + dir + "/ff.sts: Bank 1 cell 1 holds -1"},
        {{"-p", sim.Path(), "set", "--load", dir + "/notsts.bin"}, 4, "does not end in \"sts\""},
        {{"-p", sim.Path(), "get", "--save", dir + "/missing/x"}, 4, "No such file or directory"},
        {{"-p", sim.Path(), "get", "--save", dir + "/"}, 4, "folder"},
        {{"-p", sim.Path(), "get", "--save", "--json"}, 2, "--save needs a file name"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "--keep-printers");
        const Finished run = Cli(args);
        EXPECT_EQ(run.status, c.status) << c.args.back() << ": " << run.err;
        // With --json even a usage error is said in the document on stdout.
        EXPECT_NE((run.err + run.out).find(c.says), std::string::npos)
            << c.args.back() << ": " << run.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "--json.sts"));
    usleep(300 * 1000);  // the simulator logs what it has read
    EXPECT_EQ(fs::file_size(dir_ / "sim.log"), 0u);
}

// Output that cannot go where it was sent: closed descriptors never lead text down the serial
// line, a full disk or a reader that went away is an exit status of its own, and a run whose
// reader went away still ends cleanly (the display out of its setup mode).
TEST_F(CliEndToEnd, OutputThatCannotBeWritten) {
    const fs::path log = dir_ / "sim.log";
    Simulator sim({"--log", log.string()});
    ASSERT_FALSE(sim.Path().empty());
    const std::string cli = std::string(VEMORA_CLI) + " --keep-printers -p " + sim.Path();
    const Finished open = Cli({"--keep-printers", "-p", sim.Path(), "--trace", "get"});
    ASSERT_EQ(open.status, 0) << open.err;
    usleep(300 * 1000);  // the simulator logs what it has read
    const std::vector<std::string> protocol = Heard(log);
    const struct {
        std::string line;
        int status;
        std::string says;
    } cases[] = {
        {"exec " + cli + " --trace get >&- 2>&-", 0, ""},
        {"exec " + cli + " get >/dev/full", 6, "the output could not be written: No space left"},
        {"exec " + cli + " --json apply --cursor 0 >/dev/full", 6, "could not be written"},
        {"exec " + std::string(VEMORA_CLI) + " --help >/dev/full", 6, "could not be written"},
        {"exec " + std::string(VEMORA_CLI) + " show /nonexistent.sts >&-", 4,
         DescribeFileFailure(
             {FileOutcome::CannotRead, "/nonexistent.sts", "No such file or directory"}, false)},
        {"set -o pipefail; " + cli + " --trace get 2>&1 | head -n 1 >/dev/null", 6, ""},
    };
    for (const auto& c : cases) {
        const std::size_t before = Heard(log).size();
        const Finished run = Cli({"/bin/bash", "-c", c.line}, false);
        EXPECT_EQ(run.status, c.status) << c.line << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.line << ": " << run.err;
        usleep(300 * 1000);  // the simulator logs what it has read
        if (c.line.find(" get ") != std::string::npos) {
            const std::vector<std::string> heard = Heard(log);
            EXPECT_EQ(std::vector(heard.begin() + before, heard.end()), protocol) << c.line;
        }
    }
}

}  // namespace
}  // namespace vemora
