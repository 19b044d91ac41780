// vemora-cli ended by a signal while it holds a port: the printers on that port get it back, as
// at a normal end, and the printers on other ports are left alone; a display in its setup mode is
// told to leave it. Ended by SIGKILL, it leaves them parked with their mark, for
// `vemora-cli printers --restore`; a second run on the port touches nothing, and a restore that
// fails ends the run with status 5.

#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "flows/Outcome.h"
#include "support/ChildProcess.h"
#include "support/PrivateCupsd.h"
#include "support/PseudoTerminal.h"

namespace vemora {
namespace {

using test::Heard;
using test::Look;
using test::Queue;

// A terminal whose output is stopped, as by Ctrl-S: a program that prints to it waits there. The
// CLI prints what it read while the port is still open, so its run cannot end before the test
// has signalled it, however slow the machine.
class StoppedTerminal {
  public:
    StoppedTerminal() : slave_(pty_.OpenSlave()) {
        if (slave_) {
            tcflow(slave_.Get(), TCOOFF);
        }
    }

    int Fd() const { return slave_.Get(); }
    // Lets the output go on, as Ctrl-Q.
    void Resume() const { tcflow(slave_.Get(), TCOON); }

  private:
    test::PseudoTerminal pty_;
    FileHandle slave_;
};

class CliSignalTest : public test::CupsdTest, public ::testing::WithParamInterface<int> {};

TEST_P(CliSignalTest, PrintersGetTheirPortsBack) {
    const int signal = GetParam();
    test::Simulator sim({});
    ASSERT_FALSE(sim.Path().empty());
    const std::string displayUri = "serial:" + sim.Path() + "?baud=9600";
    AddQueue("Display", displayUri);
    const Queue receipts{"serial:/dev/ttyS0?baud=9600", false, ""};
    AddQueue("Receipts", receipts.deviceUri);
    StoppedTerminal terminal;
    ASSERT_GE(terminal.Fd(), 0);

    // CUPS_SERVER, set by the fixture, leads the CLI to the private scheduler.
    const test::Child cli = test::Start({VEMORA_CLI, "-p", sim.Path(), "get"}, terminal.Fd());
    ASSERT_GT(cli.pid, 0);
    // Parked: the CLI has taken the port.
    const bool parked =
        test::WaitUntil([] { return Look("Display").deviceUri == "file:/dev/null"; });
    const Queue otherWhileParked = Look("Receipts");
    kill(cli.pid, signal);
    int status = 0;
    waitpid(cli.pid, &status, 0);
    const std::string err = test::ReadAll(cli.err);

    ASSERT_TRUE(parked) << err;
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << err;
    EXPECT_EQ(Look("Display"), (Queue{displayUri, false, ""}));
    EXPECT_EQ(otherWhileParked, receipts);
    EXPECT_EQ(Look("Receipts"), receipts);
}

class CliPrinterTest : public test::CupsdTest {
  protected:
    struct Ran {
        int status;
        std::string out, err;
    };
    static Ran Run(std::vector<std::string> args) {
        args.insert(args.begin(), VEMORA_CLI);
        const test::Child child = test::Start(args);
        Ran ran{-1, test::ReadAll(child.out), test::ReadAll(child.err)};
        int status = 0;
        waitpid(child.pid, &status, 0);
        ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return ran;
    }

    void SetUp() override {
        test::CupsdTest::SetUp();
        ASSERT_FALSE(sim.Path().empty());
        AddQueue("Display", displayUri);
    }
    static bool Parked() { return Look("Display").deviceUri == "file:/dev/null"; }

    test::Simulator sim{{}};
    const std::string displayUri = "serial:" + sim.Path() + "?baud=9600";
};

// A second run on the port touches nothing (exit 3); the first run's restore is refused, and
// says so (exit 5) although the display work succeeded.
TEST_F(CliPrinterTest, ASecondRunIsRefusedTheLockAndARefusedRestoreEndsWith5) {
    StoppedTerminal terminal;
    ASSERT_GE(terminal.Fd(), 0);
    const test::Child first = test::Start({VEMORA_CLI, "-p", sim.Path(), "get"}, terminal.Fd());
    ASSERT_TRUE(test::WaitUntil(Parked));

    const Ran second = Run({"-p", sim.Path(), "check"});
    EXPECT_EQ(second.status, 3) << second.err;
    EXPECT_NE(second.err.find("is held by another program (process " + std::to_string(first.pid)),
              std::string::npos)
        << second.err;
    EXPECT_TRUE(Parked());

    Shell("lpadmin -p Display -o printer-op-policy=locked");
    terminal.Resume();
    int status = 0;
    waitpid(first.pid, &status, 0);
    const std::string err = test::ReadAll(first.err);
    EXPECT_EQ(WEXITSTATUS(status), 5) << err;
    EXPECT_NE(err.find(DescribeUnrestored({"Display", displayUri, RestoreFailure::UriNotSet})),
              std::string::npos)
        << err;
}

// A killed run leaves its queue parked; `printers` shows who held it, and `printers --restore`
// gives it back.
TEST_F(CliPrinterTest, AKilledRunsQueueIsListedAndGivenBack) {
    StoppedTerminal terminal;
    const test::Child killed = test::Start({VEMORA_CLI, "-p", sim.Path(), "get"}, terminal.Fd());
    ASSERT_TRUE(test::WaitUntil([&] {
        return Run({"printers"}).out.find("process " + std::to_string(killed.pid)) !=
               std::string::npos;
    }));
    kill(killed.pid, SIGKILL);
    waitpid(killed.pid, nullptr, 0);
    const Ran listed = Run({"-p", sim.Path(), "printers"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.out.find("Display\tFILE:\tstopped\tparked from " + displayUri),
              std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("process " + std::to_string(killed.pid)), std::string::npos);
    EXPECT_NE(listed.out.find("(ended)"), std::string::npos) << listed.out;

    const Ran restored = Run({"printers", "--restore"});
    EXPECT_EQ(restored.status, 0) << restored.err;
    EXPECT_NE(restored.out.find(DescribeRelease({.recovered = {"Display"}}).front()),
              std::string::npos)
        << restored.out;
    EXPECT_EQ(Look("Display"), (Queue{displayUri, false, ""}));
}

INSTANTIATE_TEST_SUITE_P(Signals, CliSignalTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

// A signal after the switch writes went out, on two ports at once: each display is told to leave
// its setup mode, and each port is reported with what it had done. A SIGUSR1 from outside before
// it changes nothing.
struct SignalCase {
    int signal;
    bool json;
};

class CliSignalInSetupModeTest : public ::testing::TestWithParam<SignalCase> {};

TEST_P(CliSignalInSetupModeTest, EachDisplayLeavesSetupModeAndEachPortIsReported) {
    const auto [signal, json] = GetParam();
    const std::string log = "/tmp/vemora-signal-" + std::to_string(getpid());
    test::Simulator first({"--log", log + "-1.log"});
    test::Simulator second({"--log", log + "-2.log"});
    ASSERT_FALSE(first.Path().empty());
    ASSERT_FALSE(second.Path().empty());
    std::vector<std::string> args{VEMORA_CLI,        "-p",  first.Path(), "-p", second.Path(),
                                  "--keep-printers", "set", "--cursor",   "1"};
    if (json) {
        args[6] = "apply";
        args.insert(args.begin() + 1, "--json");
    }
    const test::Child cli = test::Start(args);
    ASSERT_GT(cli.pid, 0);
    const std::string bankWrite = "1F 28 45 0A 00 03";
    const auto written = [&](const std::string& file) {
        const std::vector<std::string> heard = Heard(file);
        return std::any_of(heard.begin(), heard.end(),
                           [&](const std::string& c) { return c.starts_with(bankWrite); });
    };
    const bool writing =
        test::WaitUntil([&] { return written(log + "-1.log") && written(log + "-2.log"); });
    kill(cli.pid, SIGUSR1);
    kill(cli.pid, signal);
    int status = 0;
    waitpid(cli.pid, &status, 0);
    const std::string out = test::ReadAll(cli.out);
    const std::string err = test::ReadAll(cli.err);
    usleep(300 * 1000);  // the simulators log what they have read
    ASSERT_TRUE(writing) << err;
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    const std::string told =
        "Interrupted.\nThe switch writes had gone out: the display may hold the new settings; run "
        "`vemora-cli get` to see what it holds.";
    for (const test::Simulator* sim : {&first, &second}) {
        const std::vector<std::string> heard = Heard(log + (sim == &first ? "-1.log" : "-2.log"));
        ASSERT_FALSE(heard.empty());
        EXPECT_EQ(heard.back(), "1F 28 45 04 00 02 4F 55 54");
        const std::string& port = sim->Path();
        if (json) {
            EXPECT_NE(out.find("{\"port\":\"" + port + "\",\"exitStatus\":" +
                               std::to_string(128 + signal) + ",\"messages\":[\"Interrupted.\","),
                      std::string::npos)
                << out;
            EXPECT_NE(out.find("\"interrupted\":true,\"read\":true,\"written\":true,"
                               "\"changed\":true,\"verified\":false}"),
                      std::string::npos)
                << out;
        } else {
            EXPECT_NE(
                err.find(port + ": " + told.substr(0, 12) + "\n" + port + ": " + told.substr(13)),
                std::string::npos)
                << err;
        }
    }
    std::remove((log + "-1.log").c_str());
    std::remove((log + "-2.log").c_str());
}

INSTANTIATE_TEST_SUITE_P(Signals, CliSignalInSetupModeTest,
                         ::testing::Values(SignalCase{SIGTERM, false}, SignalCase{SIGINT, true},
                                           SignalCase{SIGHUP, false}, SignalCase{SIGQUIT, false}),
                         [](const ::testing::TestParamInfo<SignalCase>& info) {
                             return std::string(sigabbrev_np(info.param.signal)) +
                                    (info.param.json ? "Json" : "");
                         });

}  // namespace
}  // namespace vemora
