#include <gtest/gtest.h>

#include <map>
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

    EXPECT_EQ(TakeLog(),
              (std::vector<std::string>{"open A", "fetch A", "change A FILE:", "close A"}));
}

TEST_F(PrinterPortsTest, AFailedFetchStopsTheChangesForTheRestOfThePass) {
    SetPrinters({{"A", "serial:/dev/ttyS0"},
                 {"B", "serial:/dev/ttyS0"},
                 {"C", "serial:/dev/ttyS0"},
                 {"D", "serial:/dev/ttyS0"}});
    script.fetchFailures = {"B"};

    ports.ReleasePrinterPorts("COM1");

    EXPECT_EQ(TakeLog(),
              (std::vector<std::string>{"open A", "fetch A", "change A FILE:", "close A",  //
                                        "open B", "fetch B", "close B",                    //
                                        "open C", "close C",                               //
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

TEST_F(PrinterPortsTest, APrinterThatCannotBeOpenedIsRecordedSkippedAndReported) {
    SetPrinters({{"A", "serial:/dev/ttyS0"}, {"B", "serial:/dev/ttyS0?baud=9600"}});
    script.unopenable = {"A"};

    ports.ReleasePrinterPorts("COM1");

    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"cannot open A", "open B", "fetch B",
                                                   "change B FILE:", "close B"}));
    EXPECT_EQ(ports.Map(),
              (PrinterPortMap{{"A", "serial:/dev/ttyS0"}, {"B", "serial:/dev/ttyS0?baud=9600"}}));

    EXPECT_EQ(ports.RestorePrinterPorts(),
              (std::vector<UnrestoredPrinter>{{"A", "serial:/dev/ttyS0"}}));
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

    EXPECT_EQ(TakeLog(), (std::vector<std::string>{
                             "open A", "fetch A", "change A serial:/dev/ttyS0?baud=4800", "close A",
                             "open B", "fetch B", "change B serial:/dev/ttyS0", "close B"}));
    EXPECT_EQ(script.PortOf("A"), kParkingPort);
    EXPECT_TRUE(ports.IsEmpty());
}

}  // namespace
}  // namespace vemora
