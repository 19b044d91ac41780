#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include "printers/PrinterPorts.h"
#include "support/ScriptedSpooler.h"

namespace vemora {
namespace {

using testing::Script;
using testing::ScriptedSpooler;

class PrinterPortsTest : public ::testing::Test {
  protected:
    Script script;
    PrinterPorts ports{std::make_unique<ScriptedSpooler>(script)};

    void SetPrinters(std::vector<LocalPrinter> printers) { script.printers = std::move(printers); }
    std::vector<std::string> TakeLog() { return std::exchange(script.log, {}); }
};

TEST(PrinterPorts, ReleaseParksThePrintersWhosePortNamesTheChosenDevice) {
    const std::vector<LocalPrinter> printers = {
        {"Zero", "serial:/dev/ttyS0?baud=9600"},
        {"Ten", "serial:/dev/ttyS10?baud=9600"},
        {"One", "serial:/dev/ttyS1"},
        {"Upper", "serial:/DEV/TTYS0"},
        {"Usb", "serial:/dev/ttyUSB0?baud=19200"},
        {"Pool", "parallel:/dev/lp0,serial:/dev/ttyS0"},
        {"Net", "socket://10.0.0.5:9100"},
        {"Hidden", "socket://printhost:9100/dev/ttyS0", false},
    };
    // The device path is looked for as it is: COM2 (/dev/ttyS1) also finds /dev/ttyS10, COM1
    // (/dev/ttyS0) does not; upper case is not lower case; a hidden port is never parked.
    const struct Case {
        const char* portName;
        PrinterPortMap recorded;
    } cases[] = {
        {"COM1",
         {{"Zero", "serial:/dev/ttyS0?baud=9600"},
          {"Pool", "parallel:/dev/lp0,serial:/dev/ttyS0"}}},
        {"\\\\.\\COM11", {{"Ten", "serial:/dev/ttyS10?baud=9600"}}},
        {"COM2", {{"One", "serial:/dev/ttyS1"}, {"Ten", "serial:/dev/ttyS10?baud=9600"}}},
        {"/dev/ttyUSB0", {{"Usb", "serial:/dev/ttyUSB0?baud=19200"}}},
        {"COM9", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.portName);
        Script script{printers};
        PrinterPorts ports(std::make_unique<ScriptedSpooler>(script));

        ports.ReleasePrinterPorts(c.portName);

        EXPECT_EQ(ports.Map(), c.recorded);
        for (const LocalPrinter& printer : script.printers) {
            EXPECT_EQ(printer.port == kParkingPort, c.recorded.contains(printer.name))
                << printer.name;
        }
    }
}

TEST_F(PrinterPortsTest, ReleaseOpensFetchesChangesAndClosesEachMatchingPrinter) {
    SetPrinters({{"A", "serial:/dev/ttyS0"}, {"B", "serial:/dev/ttyS1"}});

    ports.ReleasePrinterPorts("COM1");

    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"open A", "fetch A", "park A", "close A"}));
}

TEST_F(PrinterPortsTest, AFailedFetchStopsTheChangesForTheRestOfThePass) {
    SetPrinters({{"A", "serial:/dev/ttyS0"},
                 {"B", "serial:/dev/ttyS0"},
                 {"C", "serial:/dev/ttyS0"},
                 {"D", "serial:/dev/ttyS0"}});
    script.fetchFailures = {"B"};

    ports.ReleasePrinterPorts("COM1");

    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"open A", "fetch A", "park A", "close A",  //
                                                   "open B", "fetch B", "close B",            //
                                                   "open C", "close C",                       //
                                                   "open D", "close D"}));
    EXPECT_EQ(ports.Map().size(), 4u);

    // The next pass starts with a clear flag: the printers left on their port are parked now.
    ports.ReleasePrinterPorts("COM1");
    EXPECT_EQ(script.PortOf("D"), kParkingPort);
    EXPECT_EQ(ports.Map().at("D"), "serial:/dev/ttyS0");

    script.fetchFailures = {"A"};
    TakeLog();
    EXPECT_EQ(ports.RestorePrinterPorts(),
              (std::vector<UnrestoredPrinter>{{"A", "serial:/dev/ttyS0"},
                                              {"B", "serial:/dev/ttyS0"},
                                              {"C", "serial:/dev/ttyS0"},
                                              {"D", "serial:/dev/ttyS0"}}));
    EXPECT_EQ(TakeLog(),
              (std::vector<std::string>{"open A", "fetch A", "close A", "open B", "close B",
                                        "open C", "close C", "open D", "close D"}));
    EXPECT_TRUE(ports.IsEmpty());
}

// It never left its port, so there is nothing to give back: it is reported by the release.
TEST_F(PrinterPortsTest, APrinterThatCannotBeOpenedIsRecordedSkippedAndReported) {
    SetPrinters({{"A", "serial:/dev/ttyS0"}, {"B", "serial:/dev/ttyS0?baud=9600"}});
    script.unopenable = {"A"};

    EXPECT_EQ(ports.ReleasePrinterPorts("COM1").unparked,
              (std::vector<UnparkedPrinter>{{"A", ParkFailure::CannotOpen}}));

    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"cannot open A", "open B", "fetch B", "park B",
                                                   "close B"}));
    EXPECT_EQ(ports.Map(),
              (PrinterPortMap{{"A", "serial:/dev/ttyS0"}, {"B", "serial:/dev/ttyS0?baud=9600"}}));

    EXPECT_EQ(ports.RestorePrinterPorts(), std::vector<UnrestoredPrinter>{});
    EXPECT_EQ(script.PortOf("B"), "serial:/dev/ttyS0?baud=9600");
    EXPECT_TRUE(ports.IsEmpty());
}

TEST_F(PrinterPortsTest, AnEmptyEnumerationChangesNothing) {
    ports.ReleasePrinterPorts("COM1");

    EXPECT_TRUE(ports.IsEmpty());
    EXPECT_TRUE(ports.RestorePrinterPorts().empty());
    EXPECT_TRUE(TakeLog().empty());
}

TEST_F(PrinterPortsTest, ReleasesAccumulateAndAParkedPrinterKeepsItsFirstRecord) {
    SetPrinters({{"A", "serial:/dev/ttyS0"}, {"B", "serial:/dev/ttyS1"}});

    ports.ReleasePrinterPorts("COM1");
    ports.ReleasePrinterPorts("COM1");
    ports.ReleasePrinterPorts("COM2");

    EXPECT_EQ(ports.Map(),
              (PrinterPortMap{{"A", "serial:/dev/ttyS0"}, {"B", "serial:/dev/ttyS1"}}));
    EXPECT_TRUE(ports.RestorePrinterPorts().empty());
    EXPECT_EQ(script.PortOf("A"), "serial:/dev/ttyS0");
    EXPECT_EQ(script.PortOf("B"), "serial:/dev/ttyS1");
}

TEST_F(PrinterPortsTest, ALaterRecordReplacesAnEarlierOne) {
    SetPrinters({{"A", "serial:/dev/ttyS0"}});
    script.refused = {"A"};

    ports.ReleasePrinterPorts("COM1");
    script.PortOf("A") = "serial:/dev/ttyS0?baud=19200";
    ports.ReleasePrinterPorts("COM1");

    EXPECT_EQ(ports.Map(), (PrinterPortMap{{"A", "serial:/dev/ttyS0?baud=19200"}}));
}

TEST_F(PrinterPortsTest, RestoreReportsARefusedChangeAndStillEmptiesTheMap) {
    SetPrinters({{"B", "serial:/dev/ttyS0"}, {"A", "serial:/dev/ttyS0?baud=4800"}});
    ports.ReleasePrinterPorts("COM1");
    script.refused = {"A"};
    TakeLog();

    EXPECT_EQ(ports.RestorePrinterPorts(),
              (std::vector<UnrestoredPrinter>{{"A", "serial:/dev/ttyS0?baud=4800"}}));

    EXPECT_EQ(TakeLog(),
              (std::vector<std::string>{
                  "open A", "fetch A", "give back A serial:/dev/ttyS0?baud=4800", "close A",
                  "open B", "fetch B", "give back B serial:/dev/ttyS0", "resume B", "close B"}));
    EXPECT_EQ(script.PortOf("A"), kParkingPort);
    EXPECT_TRUE(ports.IsEmpty());
}

// A parked printer's mark says who holds it. With "/dev/ttyS0" chosen: a printer parked for this
// port is joined while another run holds it, and taken over when its holders have ended; one
// parked for another port is given back only when its holders have all ended.
TEST(PrinterPorts, HoldersDecideWhetherAParkedPrinterIsJoinedTakenOverOrGivenBack) {
    const Holder self = ThisProcess("/dev/ttyS0");
    const Holder ended{self.pid, "ended-1", self.host, "/dev/ttyS0"};
    const Holder elsewhere{4242, "b-1", "another-host", "/dev/ttyS0"};
    // This process on another port stands for another live run, as a program holding two ports.
    const Holder otherPort{self.pid, self.start, self.host, "/dev/ttyS7"};
    const struct Case {
        const char* name;
        std::string parkedFrom;
        std::vector<Holder> holders;
        std::vector<Holder> holdersAfterRelease;  // empty: given back by the release
        bool givenBackAtRestore;
    } cases[] = {
        {"joined", "serial:/dev/ttyS0", {otherPort}, {otherPort, self}, false},
        {"taken over", "serial:/dev/ttyS0", {ended}, {self}, true},
        {"on another host", "serial:/dev/ttyS0", {elsewhere}, {elsewhere, self}, false},
        {"already ours", "serial:/dev/ttyS0", {self}, {self}, true},
        {"another port, ended", "serial:/dev/ttyS7", {ended}, {}, false},
        {"another port, live", "serial:/dev/ttyS7", {otherPort}, {otherPort}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script script{{{"P", "FILE:", true, true, "Held by Vemora",
                        ParkMark{c.parkedFrom, true, "", c.holders}}}};
        PrinterPorts ports(std::make_unique<ScriptedSpooler>(script));

        const ReleaseReport report = ports.ReleasePrinterPorts("/dev/ttyS0");

        const LocalPrinter& after = script.Printer("P");
        EXPECT_EQ(report.recovered.empty(), !c.holdersAfterRelease.empty());
        if (c.holdersAfterRelease.empty()) {
            EXPECT_EQ(after.port, c.parkedFrom);
            EXPECT_FALSE(after.stopped);
            EXPECT_FALSE(after.mark);
            continue;
        }
        ASSERT_TRUE(after.mark);
        EXPECT_EQ(after.mark->holders, c.holdersAfterRelease);
        ports.RestorePrinterPorts();
        EXPECT_EQ(script.Printer("P").port == c.parkedFrom, c.givenBackAtRestore);
        if (!c.givenBackAtRestore) {
            EXPECT_EQ(script.Printer("P").mark->holders, c.holders);
        }
    }
}

// What is no longer parked with our mark was changed by someone else and is left as it is; what
// failed to come back is named, and counts as left parked.
TEST(PrinterPorts, RestoreGivesBackOnlyWhatIsStillOursAndNamesEachFailure) {
    const struct Case {
        const char* name;
        void (*meanwhile)(Script&);
        std::optional<RestoreFailure> failure;
        std::string portAfter;
    } cases[] = {
        {"untouched", [](Script&) {}, std::nullopt, "serial:/dev/ttyS0"},
        {"URI changed", [](Script& s) { s.PortOf("P") = "serial:/dev/ttyS4"; },
         RestoreFailure::ChangedMeanwhile, "serial:/dev/ttyS4"},
        {"mark removed", [](Script& s) { s.Printer("P").mark.reset(); },
         RestoreFailure::ChangedMeanwhile, "FILE:"},
        {"parked by another run",
         [](Script& s) {
             s.Printer("P").mark->holders = {{1, "x", "other-host", "/dev/ttyS0"}};
         },
         RestoreFailure::ChangedMeanwhile, "FILE:"},
        {"deleted", [](Script& s) { s.unopenable = {"P"}; }, RestoreFailure::Removed, "FILE:"},
        {"change refused", [](Script& s) { s.refused = {"P"}; }, RestoreFailure::UriNotSet,
         "FILE:"},
        {"resume refused", [](Script& s) { s.resumeRefused = {"P"}; }, RestoreFailure::NotResumed,
         "serial:/dev/ttyS0"},
        {"scheduler gone", [](Script& s) { s.state = SchedulerState::NotRunning; },
         RestoreFailure::UriNotSet, "FILE:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script script{{{"P", "serial:/dev/ttyS0"}}};
        PrinterPorts ports(std::make_unique<ScriptedSpooler>(script));
        ports.ReleasePrinterPorts("COM1");
        c.meanwhile(script);

        const std::vector<UnrestoredPrinter> unrestored = ports.RestorePrinterPorts();

        if (c.failure) {
            EXPECT_EQ(unrestored,
                      (std::vector<UnrestoredPrinter>{{"P", "serial:/dev/ttyS0", *c.failure}}));
        } else {
            EXPECT_TRUE(unrestored.empty());
        }
        EXPECT_EQ(LeftParked(unrestored), c.failure == RestoreFailure::UriNotSet ||
                                              c.failure == RestoreFailure::NotResumed);
        EXPECT_EQ(script.printers[0].port, c.portAfter);
    }
}

TEST_F(PrinterPortsTest, ASchedulerThatDoesNotAnswerIsReportedAndNothingIsRecorded) {
    SetPrinters({{"A", "serial:/dev/ttyS0"}});
    script.state = SchedulerState::NoAnswer;

    EXPECT_EQ(ports.ReleasePrinterPorts("COM1").end, PassEnd::NoAnswer);

    EXPECT_TRUE(ports.IsEmpty());
    EXPECT_EQ(script.PortOf("A"), "serial:/dev/ttyS0");
}

// One run per port: a second run on the port, however it names it, touches no printer. A port
// named by a link parks the printers of its device and the other way round.
TEST(PrinterPorts, OneRunPerPortAndALinkIsItsDevice) {
    const std::filesystem::path folder = test::kPrivateLockFolder.Path();
    const std::string device = (folder / "ttyFAKE0").string();
    const std::string link = (folder / "by-id-display").string();
    std::ofstream(device).put('\n');
    std::filesystem::create_symlink(device, link);
    Script script{{{"ByDevice", "serial:" + device + "?baud=9600"},
                   {"ByLink", "serial:" + link},
                   {"Other", "serial:/dev/ttyS0"}}};
    PrinterPorts first(std::make_unique<ScriptedSpooler>(script));
    Script secondScript = script;
    PrinterPorts second(std::make_unique<ScriptedSpooler>(secondScript));

    EXPECT_EQ(first.ReleasePrinterPorts(link).held.failure, OpenFailure::None);
    EXPECT_EQ(first.Map().size(), 2u);
    EXPECT_EQ(script.PortOf("Other"), "serial:/dev/ttyS0");
    EXPECT_TRUE(std::filesystem::exists(folder / PortLockName(device)));

    const OpenError held = second.ReleasePrinterPorts(device).held;
    EXPECT_EQ(held.failure, OpenFailure::Busy);
    EXPECT_NE(held.detail.find("process " + std::to_string(getpid())), std::string::npos);
    EXPECT_TRUE(secondScript.log.empty());

    first.RestorePrinterPorts();
    EXPECT_FALSE(std::filesystem::exists(folder / PortLockName(device)));
    EXPECT_EQ(second.ReleasePrinterPorts(device).held.failure, OpenFailure::None);
    EXPECT_EQ(second.Map().size(), 2u);
}

}  // namespace
}  // namespace vemora
