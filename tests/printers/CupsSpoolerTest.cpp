#include <gtest/gtest.h>

#include <filesystem>

#include "printers/CupsSpooler.h"
#include "printers/PrinterPorts.h"
#include "support/PrivateCupsd.h"

namespace vemora {
namespace {

using test::Look;
using test::Queue;

class CupsSpoolerTest : public test::CupsdTest {
  protected:
    // Waits, at most a generous while, for the stand-in backend to print a job of this queue.
    static bool Printed(const std::string& queue) {
        return test::WaitUntil(
            [&] { return std::filesystem::exists(cupsd_->PrintedFolder() / queue); });
    }

    PrinterPorts ports{MakeCupsSpooler()};
};

TEST_F(CupsSpoolerTest, ListsLocalQueuesWithTheirPortStrings) {
    AddQueue("Serial", "serial:/dev/ttyS0?baud=9600");
    AddQueue("Parked", "file:/dev/null");
    AddQueue("Net", "socket://127.0.0.1:9100");
    AddQueue("Secret", "socket://user:pw@127.0.0.1:9100/dev/ttyS0");
    Shell("lpadmin -p Serial -c Group");

    const std::vector<LocalPrinter> printers = MakeCupsSpooler()->ListLocalPrinters();

    // A class is no printer of its own; a URI that names a host may have had credentials hidden.
    ASSERT_EQ(printers.size(), 4u);
    const struct {
        std::string name, port;
        bool restorable;
    } expected[] = {
        {"Net", "socket://127.0.0.1:9100", false},
        {"Parked", "FILE:", true},
        {"Secret", "socket://127.0.0.1:9100/dev/ttyS0", false},
        {"Serial", "serial:/dev/ttyS0?baud=9600", true},
    };
    for (std::size_t i = 0; i < printers.size(); ++i) {
        EXPECT_EQ(printers[i].name, expected[i].name);
        EXPECT_EQ(printers[i].port, expected[i].port);
        EXPECT_EQ(printers[i].restorable, expected[i].restorable) << printers[i].name;
    }
}

// "/dev/ttyS1" is found in "/dev/ttyS10" too, as "COM1" is found in "COM10".
TEST_F(CupsSpoolerTest, ReleaseParksTheQueuesOnThePortAndRestoreGivesTheirUrisBack) {
    AddQueue("One", "serial:/dev/ttyS1?baud=9600");
    AddQueue("Ten", "serial:/dev/ttyS10?baud=9600");
    AddQueue("Zero", "serial:/dev/ttyS0?baud=9600");
    AddQueue("Net", "socket://127.0.0.1:9100");
    AddQueue("Secret", "socket://user:pw@127.0.0.1:9100/dev/ttyS1");

    ports.ReleasePrinterPorts("/dev/ttyS1");

    const PrinterPortMap recorded = {{"One", "serial:/dev/ttyS1?baud=9600"},
                                     {"Ten", "serial:/dev/ttyS10?baud=9600"}};
    EXPECT_EQ(ports.Map(), recorded);
    for (const auto& [name, uri] : recorded) {
        const Queue queue = Look(name);
        EXPECT_EQ(queue.deviceUri, "file:/dev/null") << name;
        EXPECT_TRUE(queue.stopped) << name;
        EXPECT_NE(queue.message.find("Vemora"), std::string::npos) << queue.message;
        EXPECT_NE(queue.message.find(uri), std::string::npos) << queue.message;
    }
    for (const char* untouched : {"Zero", "Net", "Secret"}) {
        EXPECT_NE(Look(untouched).deviceUri, "file:/dev/null") << untouched;
        EXPECT_FALSE(Look(untouched).stopped) << untouched;
    }

    ports.ReleasePrinterPorts("/dev/ttyS1");
    EXPECT_EQ(ports.Map(), recorded);

    EXPECT_EQ(ports.RestorePrinterPorts(), std::vector<UnrestoredPrinter>{});
    for (const auto& [name, uri] : recorded) {
        const Queue queue = Look(name);
        EXPECT_EQ(queue.deviceUri, uri);
        EXPECT_FALSE(queue.stopped) << name;
        EXPECT_EQ(queue.message, "") << name;
    }
    EXPECT_TRUE(ports.IsEmpty());
}

TEST_F(CupsSpoolerTest, ReleasesForTwoPortsAccumulate) {
    AddQueue("First", "serial:/dev/ttyS0?baud=9600");
    AddQueue("Second", "serial:/dev/ttyS1?baud=19200");

    ports.ReleasePrinterPorts("COM1");
    ports.ReleasePrinterPorts("COM2");

    EXPECT_EQ(Look("First").deviceUri, "file:/dev/null");
    EXPECT_EQ(Look("Second").deviceUri, "file:/dev/null");
    EXPECT_EQ(ports.RestorePrinterPorts(), std::vector<UnrestoredPrinter>{});
    EXPECT_EQ(Look("First").deviceUri, "serial:/dev/ttyS0?baud=9600");
    EXPECT_EQ(Look("Second").deviceUri, "serial:/dev/ttyS1?baud=19200");
}

TEST_F(CupsSpoolerTest, AStoppedQueueStaysStoppedWithItsMessage) {
    AddQueue("Jammed", "serial:/dev/ttyS0");
    Shell("cupsdisable -r 'paper jam' Jammed");

    ports.ReleasePrinterPorts("COM1");
    EXPECT_EQ(Look("Jammed").deviceUri, "file:/dev/null");
    EXPECT_EQ(ports.RestorePrinterPorts(), std::vector<UnrestoredPrinter>{});

    const Queue queue = Look("Jammed");
    EXPECT_EQ(queue.deviceUri, "serial:/dev/ttyS0");
    EXPECT_TRUE(queue.stopped);
    EXPECT_EQ(queue.message, "paper jam");
}

TEST_F(CupsSpoolerTest, AJobSentWhileParkedIsPrintedOnTheDeviceAfterRestore) {
    AddQueue("Receipts", "serial:/dev/ttyS0?baud=9600");

    ports.ReleasePrinterPorts("COM1");
    Shell("echo receipt | lp -d Receipts");
    EXPECT_EQ(ports.RestorePrinterPorts(), std::vector<UnrestoredPrinter>{});

    // Had it gone to file:/dev/null, the stand-in serial backend would never have seen it.
    EXPECT_TRUE(Printed("Receipts"));
}

// Changes of a queue under the "locked" policy are refused. One queue is locked after it was
// parked; the other was locked all along, so it never left its port and has nothing to get back.
TEST_F(CupsSpoolerTest, RestoreReportsAQueueWhoseChangeIsRefused) {
    AddQueue("Locked", "serial:/dev/ttyS0?baud=9600");
    AddQueue("Always", "serial:/dev/ttyS0");
    Shell("lpadmin -p Always -o printer-op-policy=locked");
    ports.ReleasePrinterPorts("COM1");
    EXPECT_EQ(Look("Always").deviceUri, "serial:/dev/ttyS0");
    Shell("lpadmin -p Locked -o printer-op-policy=locked");

    EXPECT_EQ(ports.RestorePrinterPorts(),
              (std::vector<UnrestoredPrinter>{{"Locked", "serial:/dev/ttyS0?baud=9600"}}));
    EXPECT_EQ(Look("Locked").deviceUri, "file:/dev/null");
    EXPECT_TRUE(ports.IsEmpty());
}

// A queue that is gone is skipped like one that cannot be opened; the rest are still restored.
TEST_F(CupsSpoolerTest, AQueueRemovedMeanwhileIsReportedAndNotCreatedAgain) {
    AddQueue("Gone", "serial:/dev/ttyS0");
    AddQueue("Kept", "serial:/dev/ttyS0?baud=9600");
    ports.ReleasePrinterPorts("COM1");
    Shell("lpadmin -x Gone");

    EXPECT_EQ(ports.RestorePrinterPorts(),
              (std::vector<UnrestoredPrinter>{{"Gone", "serial:/dev/ttyS0"}}));
    EXPECT_EQ(Look("Kept").deviceUri, "serial:/dev/ttyS0?baud=9600");
    const std::vector<LocalPrinter> printers = MakeCupsSpooler()->ListLocalPrinters();
    ASSERT_EQ(printers.size(), 1u);
    EXPECT_EQ(printers[0].name, "Kept");
}

}  // namespace
}  // namespace vemora
