#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/CliRun.h"
#include "cli/ManyPorts.h"

#include <nlohmann/json.hpp>
#include "support/DisplayBench.h"
#include "support/Messages.h"
#include "support/SwitchImages.h"
#include "switches/StatusFile.h"

namespace vemora {
namespace {

using test::Bytes;
using test::Said;

class CliRunTest : public ::testing::Test {
  protected:
    int Run(std::vector<std::string> args) {
        const ParsedCommandLine parsed = ParseCommandLine(args);
        EXPECT_TRUE(parsed.options) << parsed.error;
        out_.str("");
        err_.str("");
        // As vemora-cli runs a port, with --json into one document.
        ProgressLines lines(err_, ProgressStyle::Off, {});
        const RunOnePort run = [this](const CliOptions& one, PortOutput& output) {
            CliEnvironment env{bench_.channel_,
                               bench_.PauseFn(),
                               [this](const std::string& port) {
                                   released_.push_back(port);
                                   return OpenError{};
                               },
                               [this] { return ports_; },
                               output.out,
                               output.err,
                               output.work,
                               output.progress,
                               output.fields};
            const int status = RunCli(one, env);
            bench_.channel_.Close();
            return status;
        };
        return PortRuns(*parsed.options, lines).RunAll(run, out_, err_);
    }
    std::filesystem::path Temp(const std::string& name) {
        return std::filesystem::temp_directory_path() /
               ("vemora-cli-" + std::to_string(::getpid()) + "-" + name);
    }

    test::DisplayBench bench_;
    std::vector<std::string> released_;
    std::vector<PortChoice> ports_{
        {"COM1", "/dev/ttyS0", "/dev/ttyS0"},
        {"COM2", "/dev/ttyS1, 16550A UART", "/dev/ttyS1", "", "", true},
        {"/dev/serial/by-id/usb-FTDI_A5-if00-port0", "ttyUSB0, FTDI FT232R", "/dev/ttyUSB0",
         "/dev/serial/by-id/usb-FTDI_A5-if00-port0", "0403:6001", true}};
    std::ostringstream out_, err_;
};

TEST_F(CliRunTest, GetPrintsTheSettingsAfterTheCheck) {
    bench_.Attach({.switches = test::ImageShowing({6, 13, 3, 1, 0})});
    EXPECT_EQ(Run({"-p", "/dev/wire", "get"}), 0);
    EXPECT_EQ(out_.str(), Said(Outcome::Connected) + "\n" + Said(Outcome::GotStatus) + "\n" +
                              "Character code table: PC737 (Greek)\n"
                              "International character set: Korea\n"
                              "Brightness: 20%\n"
                              "Peripheral device: Customer Display\n"
                              "Cursor display mode: Cursor is displayed\n");
    EXPECT_EQ(released_, std::vector<std::string>{"/dev/wire"});
    // The check, ending with the setup exit, then Get Status on the same open port.
    const auto transfers = bench_.Transfers();
    ASSERT_EQ(transfers.size(), 5u + 6u);
    EXPECT_EQ(transfers[4], Bytes(CmdSetupExit));
    EXPECT_EQ(transfers[5], Bytes(CmdSelectDisplay));
    EXPECT_EQ(bench_.wire_.OpenCount(), 1);
}

TEST_F(CliRunTest, JsonCarriesIndexesItemsAndCells) {
    EXPECT_EQ(Run({"-p", "/dev/wire", "--json", "get"}), 0);
    EXPECT_EQ(
        out_.str(),
        "{\"port\":\"/dev/wire\",\"exitStatus\":0,\"messages\":[\"" + Said(Outcome::Connected) +
            "\",\"" + Said(Outcome::GotStatus) +
            "\"],\"connected\":true,\"identity\":[35,31,1],\"settings\":{\"codeTable\":{\"index\":"
            "0,\"item\":\"PC437 (USA: Standard Europe)\"},"
            "\"characterSet\":{\"index\":0,\"item\":\"U.S.A.\"},\"brightness\":{\"index\":4,"
            "\"item\":null},\"peripheralDevice\":{\"index\":-1,\"item\":null},\"cursorMode\":{"
            "\"index\":1,\"item\":\"Cursor is not displayed\"}},\"cells\":[[0,0,0,0,0,0,0,0,0],"
            "[0,0,0,0,0,0,0,0,0],[0,0,0,0,0,0,0,0,0],[0,0,0,0,0,0,0,0,0],[0,0,0,0,0,0,0,0,0]]}\n");
    EXPECT_EQ(err_.str(), "");
}

TEST_F(CliRunTest, SetAppliesTheGivenSettingsToWhatWasRead) {
    SimOptions display;
    display.switches.LoadBankDigits(5, {'0', '0', '1', '1', '0', '0', '0', '1'});
    bench_.Attach(display);
    EXPECT_EQ(Run({"-p", "/dev/wire", "set", "--code-table", "Katakana", "--brightness", "0"}), 0);
    EXPECT_EQ(bench_.Sim().Bank(1), (SwitchDigits{'0', '0', '0', '0', '0', '0', '0', '1'}));
    EXPECT_EQ(bench_.Sim().Bank(3), (SwitchDigits{'0', '0', '0', '0', '0', '1', '0', '0'}));
    EXPECT_EQ(bench_.Sim().Bank(5), (SwitchDigits{'0', '0', '1', '1', '0', '0', '0', '1'}));
    EXPECT_NE(out_.str().find(Said(Outcome::SetStatus) + "\n"), std::string::npos);
}

TEST_F(CliRunTest, SaveThenSetFromTheFileWritesTheSavedImage) {
    SimOptions display;
    ApplySetting(display.switches, Setting::CodeTable, 16);
    ApplySetting(display.switches, Setting::PeripheralDevice, 2);
    bench_.Attach(display);
    const auto base = Temp("saved");
    ASSERT_EQ(Run({"-p", "/dev/wire", "get", "--save", base.string()}), 0);
    const auto file = base.string() + ".sts";
    ASSERT_TRUE(std::filesystem::exists(file));

    bench_.Attach({});
    bench_.wire_.ClearWritten();
    EXPECT_EQ(Run({"-p", "/dev/wire", "set", "--load", file}), 0);
    EXPECT_EQ(bench_.Sim().Bank(1), (SwitchDigits{'0', '0', '0', '1', '1', '0', '1', '1'}));
    EXPECT_EQ(bench_.Sim().Bank(4), (SwitchDigits{'0', '0', '0', '0', '0', '0', '1', '1'}));
    // No Get Status in between: the check, then Set Status.
    EXPECT_EQ(bench_.Transfers().size(), 5u + 9u);
    std::filesystem::remove(file);
}

TEST_F(CliRunTest, FailuresAndTheirExitStatus) {
    const auto wrongSize = Temp("short.sts");
    std::ofstream(wrongSize) << "short";
    struct Case {
        const char* name;
        std::vector<std::string> args;
        SimOptions display;
        bool dsr;
        int status;
        std::string says;
    };
    SimOptions wrong{.wrongIdentity = true};
    SimOptions silentAfterCheck{.shortReply = true};
    const Case cases[] = {
        {"identity", {"-p", "/dev/wire", "check"}, wrong, true, 1, Said(Outcome::WrongIdentity)},
        {"short reply",
         {"-p", "/dev/wire", "get"},
         silentAfterCheck,
         true,
         1,
         Said(Outcome::NoResponse)},
        {"DSR off",
         {"-p", "/dev/wire", "check"},
         {},
         false,
         3,
         Said(Outcome::OpenFailed) + "\n" +
             DescribeOpenError({OpenFailure::DsrOff, "/dev/wire", ""})},
        {"load name",
         {"-p", "/dev/wire", "set", "--load", "a.STS"},
         {},
         true,
         4,
         Said(Outcome::WrongFormat)},
        {"load size",
         {"-p", "/dev/wire", "set", "--load", wrongSize.string()},
         {},
         true,
         4,
         Said(Outcome::WrongFormat)},
        {"show missing",
         {"show", "/nonexistent/x.sts"},
         {},
         true,
         4,
         DescribeFileFailure(
             {FileOutcome::CannotRead, "/nonexistent/x.sts", "No such file or directory"}, false)},
    };
    for (const Case& c : cases) {
        bench_.Attach(c.display);
        bench_.wire_.SetDsr(c.dsr);
        EXPECT_EQ(Run(c.args), c.status) << c.name;
        EXPECT_NE(err_.str().find(c.says), std::string::npos) << c.name << ": " << err_.str();
    }
    std::filesystem::remove(wrongSize);
}

TEST_F(CliRunTest, AFileRefusedBeforeThePortIsTouched) {
    EXPECT_EQ(Run({"-p", "/dev/wire", "set", "--load", "/nonexistent/a.sts"}), 4);
    EXPECT_EQ(bench_.wire_.OpenCount(), 0);
    EXPECT_TRUE(released_.empty());
}

TEST_F(CliRunTest, DirectAndInfoInTheOtherModes) {
    SimOptions display{.emulation = SimEmulation::Others};
    bench_.Attach(display);
    EXPECT_EQ(Run({"-p", "/dev/wire", "-m", "others", "direct", "--code-table", "PC864(Arabic)",
                   "--charset", "China"}),
              0);
    EXPECT_EQ(bench_.Transfers(),
              (std::vector<std::vector<Byte>>{Bytes(CmdInitialize), Bytes(CmdDirectCharset(15)),
                                              Bytes(CmdDirectCodeTable(0x1B))}));
    bench_.wire_.ClearWritten();
    EXPECT_EQ(Run({"-p", "/dev/wire", "-m", "korvant", "info"}), 0);
    EXPECT_EQ(bench_.Transfers().back(), Bytes(CmdDirectInfo));
}

// The ports that exist; --all also the fixed names with nothing behind them.
TEST_F(CliRunTest, PortsAreListedWithoutTouchingAPort) {
    const std::string existing =
        "COM2\t/dev/ttyS1, 16550A UART\n"
        "/dev/serial/by-id/usb-FTDI_A5-if00-port0\tttyUSB0, FTDI FT232R\n";
    EXPECT_EQ(Run({"ports"}), 0);
    EXPECT_EQ(out_.str(), existing);
    EXPECT_EQ(Run({"ports", "--all"}), 0);
    EXPECT_EQ(out_.str(), "COM1\t/dev/ttyS0\n" + existing);
    EXPECT_EQ(Run({"--json", "ports"}), 0);
    EXPECT_EQ(out_.str(),
              "{\"port\":null,\"exitStatus\":0,\"messages\":[],\"ports\":[{\"name\":\"COM2\","
              "\"description\":\"/dev/ttyS1, 16550A UART\",\"device\":\"/dev/ttyS1\","
              "\"byIdLink\":null,\"usbId\":null,\"present\":true},{\"name\":\"/dev/serial/by-id/"
              "usb-FTDI_A5-if00-port0\",\"description\":\"ttyUSB0, FTDI FT232R\",\"device\":\"/dev/"
              "ttyUSB0\",\"byIdLink\":\"/dev/serial/by-id/usb-FTDI_A5-if00-port0\",\"usbId\":"
              "\"0403:6001\",\"present\":true}]}\n");
    EXPECT_EQ(bench_.wire_.OpenCount(), 0);
}

// What a fleet script reads: names from sysfs and file names are bytes, not always UTF-8, and may
// hold any character; the JSON must still be JSON.
TEST_F(CliRunTest, JsonOfOddNamesParsesInPython) {
    const std::string odd = "tab\t newline\n quote\" \xc3\xa9t\xc3\xa9 bad\xff";
    ports_ = {{"/dev/ttyUSB0", odd, "/dev/ttyUSB0", "", "", true}};
    ASSERT_EQ(Run({"--json", "ports"}), 0);
    std::string documents = out_.str();
    const auto file = Temp(odd + ".sts");
    ASSERT_TRUE(SaveStatusFile(file, SwitchImage{}).ok());
    ASSERT_EQ(Run({"--json", "show", file.string()}), 0);
    documents += out_.str();
    std::filesystem::remove(file);

    const auto json = Temp("odd.json");
    const auto script = Temp("odd.py");
    const auto parsed = Temp("odd.txt");
    std::ofstream(json, std::ios::binary) << documents;
    std::ofstream(script) << "import json, os, sys\n"
                             "text = open(sys.argv[1], encoding='utf-8').read()\n"
                             "ports, show = [json.loads(d) for d in text.split('\\n')[:2]]\n"
                             "print(json.dumps([ports['ports'][0]['description'], "
                             "os.path.basename(show['file'])]))\n";
    const std::string command =
        "python3 " + script.string() + " " + json.string() + " > " + parsed.string();
    ASSERT_EQ(std::system(command.c_str()), 0) << documents;
    std::ifstream in(parsed);
    const std::string names((std::istreambuf_iterator<char>(in)), {});
    const std::string expected = R"(tab\t newline\n quote\" \u00e9t\u00e9 bad\ufffd)";
    EXPECT_EQ(names, "[\"" + expected + "\", \"vemora-cli-" + std::to_string(::getpid()) + "-" +
                         expected + ".sts\"]\n");
    for (const auto& temporary : {json, script, parsed}) {
        std::filesystem::remove(temporary);
    }
}

TEST(ManyPorts, EachPortsLinesLedByItsNameOrOneJsonArray) {
    // Every port but COM3 answers; COM3's run fails.
    const RunOnePort run = [](const CliOptions& one, PortOutput& output) {
        if (one.line.portName == "COM3") {
            output.err << Said(Outcome::PortError) << "\n";
            return 3;
        }
        (one.json ? output.err : output.out) << Said(Outcome::Connected) << "\n";
        output.fields["settings"] = nlohmann::ordered_json::object();
        return 0;
    };
    const auto parsed = ParseCommandLine({"-p", "COM2", "-p", "COM3", "-p", "/dev/ttyUSB0", "get"});
    ASSERT_TRUE(parsed.options);
    std::ostringstream out, err;
    ProgressLines lines(err, ProgressStyle::Off, {});
    EXPECT_EQ(PortRuns(*parsed.options, lines).RunAll(run, out, err), 3);
    const std::string connected = Said(Outcome::Connected);
    const std::string portError = Said(Outcome::PortError);
    EXPECT_EQ(out.str(), "COM2: " + connected + "\n/dev/ttyUSB0: " + connected + "\n");
    EXPECT_EQ(err.str(), "COM3: " + portError + "\n");

    CliOptions json = *parsed.options;
    json.json = true;
    out.str("");
    EXPECT_EQ(PortRuns(json, lines).RunAll(run, out, err), 3);
    EXPECT_EQ(out.str(),
              "[{\"port\":\"COM2\",\"exitStatus\":0,\"messages\":[\"" + connected +
                  "\"],\"settings\":{}},{\"port\":\"COM3\",\"exitStatus\":3,\"messages\":[\"" +
                  portError + "\"]},{\"port\":\"/dev/ttyUSB0\",\"exitStatus\":0,\"messages\":[\"" +
                  connected + "\"],\"settings\":{}}]\n");
}

// A bench of many adapters: every port runs, never more than kPortsAtOnce at a time.
TEST(ManyPorts, AtMostSixtyFourAtOnce) {
    std::vector<std::string> args;
    for (int i = 0; i < 70; ++i) {
        args.insert(args.end(), {"-p", "/dev/ttyUSB" + std::to_string(i)});
    }
    args.push_back("check");
    const auto parsed = ParseCommandLine(args);
    ASSERT_TRUE(parsed.options) << parsed.error;
    std::atomic<int> running{0}, most{0}, ran{0};
    const RunOnePort run = [&](const CliOptions&, PortOutput&) {
        const int now = ++running;
        for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --running;
        ++ran;
        return 0;
    };
    std::ostringstream out, err;
    ProgressLines lines(err, ProgressStyle::Off, {});
    EXPECT_EQ(PortRuns(*parsed.options, lines).RunAll(run, out, err), 0);
    EXPECT_EQ(ran, 70);
    EXPECT_LE(most, static_cast<int>(kPortsAtOnce));
}

}  // namespace
}  // namespace vemora
