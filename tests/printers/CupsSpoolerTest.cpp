#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

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

// Someone started the parked queue: its job went to file:/dev/null, and the restore says which.
TEST_F(CupsSpoolerTest, AJobPrintedWhileParkedIsNamedAtRestore) {
    AddQueue("Started", "serial:/dev/ttyS0");
    ports.ReleasePrinterPorts("COM1");
    Shell("cupsenable Started");
    std::string job;
    test::RunCommand("echo receipt | lp -d Started", &job);
    ASSERT_TRUE(test::WaitUntil([] {
        std::string done;
        test::RunCommand("lpstat -W completed -o Started", &done);
        return !done.empty();
    }));

    const std::vector<UnrestoredPrinter> unrestored = ports.RestorePrinterPorts();

    ASSERT_EQ(unrestored.size(), 1u);
    EXPECT_EQ(unrestored[0].why, RestoreFailure::PrintedWhileParked);
    ASSERT_EQ(unrestored[0].lostJobs.size(), 1u);
    EXPECT_NE(job.find("Started-" + std::to_string(unrestored[0].lostJobs[0])), std::string::npos)
        << job;
    EXPECT_FALSE(LeftParked(unrestored));
    EXPECT_EQ(Look("Started"), (Queue{"serial:/dev/ttyS0", false, ""}));
}

// Changes of a queue under the "locked" policy are refused. One queue is locked after it was
// parked; the other was locked all along, so it never left its port and has nothing to get back.
TEST_F(CupsSpoolerTest, RestoreReportsAQueueWhoseChangeIsRefused) {
    AddQueue("Locked", "serial:/dev/ttyS0?baud=9600");
    AddQueue("Always", "serial:/dev/ttyS0");
    Shell("lpadmin -p Always -o printer-op-policy=locked");
    EXPECT_EQ(ports.ReleasePrinterPorts("COM1").unparked,
              (std::vector<UnparkedPrinter>{{"Always", ParkFailure::Refused}}));
    EXPECT_EQ(Look("Always").deviceUri, "serial:/dev/ttyS0");
    Shell("lpadmin -p Locked -o printer-op-policy=locked");

    EXPECT_EQ(ports.RestorePrinterPorts(),
              (std::vector<UnrestoredPrinter>{{"Locked", "serial:/dev/ttyS0?baud=9600"}}));
    EXPECT_EQ(Look("Locked").deviceUri, "file:/dev/null");
    EXPECT_TRUE(ports.IsEmpty());
}

// A queue that is gone is not created again, and one an admin pointed elsewhere keeps its new
// device URI; both are reported, and the rest are still restored.
TEST_F(CupsSpoolerTest, AQueueRemovedOrChangedMeanwhileIsReportedAndLeftAlone) {
    AddQueue("Gone", "serial:/dev/ttyS0");
    AddQueue("Kept", "serial:/dev/ttyS0?baud=9600");
    AddQueue("Moved", "serial:/dev/ttyS0?baud=4800");
    ports.ReleasePrinterPorts("COM1");
    Shell("lpadmin -x Gone");
    Shell("lpadmin -p Moved -v serial:/dev/ttyS5");

    EXPECT_EQ(ports.RestorePrinterPorts(),
              (std::vector<UnrestoredPrinter>{
                  {"Gone", "serial:/dev/ttyS0", RestoreFailure::Removed},
                  {"Moved", "serial:/dev/ttyS0?baud=4800", RestoreFailure::ChangedMeanwhile}}));
    EXPECT_EQ(Look("Kept").deviceUri, "serial:/dev/ttyS0?baud=9600");
    EXPECT_EQ(Look("Moved").deviceUri, "serial:/dev/ttyS5");
    const std::vector<LocalPrinter> printers = MakeCupsSpooler()->ListLocalPrinters();
    ASSERT_EQ(printers.size(), 2u);
    EXPECT_EQ(printers[0].name, "Kept");
}

// A run killed while it holds the port leaves its queues parked with their mark, also the one
// whose job was printing (the scheduler wipes the state message then); the next pass gives them
// back as they were, and the job is printed on the device.
TEST_F(CupsSpoolerTest, AKilledRunsQueuesAreGivenBackByTheNextPass) {
    AddQueue("Slow", "slow:/dev/ttyS3");
    AddQueue("Jammed", "serial:/dev/ttyS3?baud=9600");
    Shell("cupsdisable -r 'out of paper' Jammed");
    Shell("echo receipt | lp -d Slow");
    ASSERT_TRUE(test::WaitUntil([] {
        std::string state;
        test::RunCommand("lpstat -p Slow", &state);
        return state.find("now printing") != std::string::npos;
    }));

    const pid_t run = fork();
    if (run == 0) {
        PortLocks lock;
        lock.Take("/dev/ttyS3");
        PrinterPorts killed(MakeCupsSpooler());
        killed.ReleasePrinterPorts("/dev/ttyS3");
        _exit(0);
    }
    waitpid(run, nullptr, 0);
    EXPECT_EQ(Look("Slow").deviceUri, "file:/dev/null");
    EXPECT_TRUE(Look("Slow").stopped);
    std::string options;
    test::RunCommand("lpoptions -p Slow", &options);
    EXPECT_NE(options.find("vemora-parked-uri=slow:/dev/ttyS3"), std::string::npos) << options;

    const ReleaseReport report = RecoverPrinters(*MakeCupsSpooler());

    EXPECT_EQ(report.recovered, (std::vector<std::string>{"Jammed", "Slow"}));
    EXPECT_EQ(Look("Jammed"), (Queue{"serial:/dev/ttyS3?baud=9600", true, "out of paper"}));
    EXPECT_EQ(Look("Slow").deviceUri, "slow:/dev/ttyS3");
    EXPECT_TRUE(Printed("Slow"));
    test::RunCommand("lpoptions -p Slow", &options);
    EXPECT_EQ(options.find("vemora-parked"), std::string::npos) << options;
    // The killed run's port lock is taken over.
    EXPECT_EQ(PortLocks().Take("/dev/ttyS3"), LockError{});
}

// The give-back is one request: a run killed after it, before the queue's jobs were started at
// once, leaves the queue as it was, with nothing left for `printers --restore`.
TEST_F(CupsSpoolerTest, ARunKilledAfterTheGiveBackLeavesTheQueueAsItWas) {
    AddQueue("Receipts", "serial:/dev/ttyS5?baud=9600");
    std::atomic<pid_t> run = -1;
    {
        const test::SchedulerRelay relay(
            *cupsd_, {.holdAfter =
                          [](std::string_view request) {
                              return request.find(test::DeleteAttributeBytes(
                                         "vemora-parked-uri-default")) != std::string::npos;
                          },
                      .onHeld = [&] { kill(run, SIGKILL); }});
        run = fork();
        if (run == 0) {
            PrinterPorts killed(MakeCupsSpooler());
            killed.ReleasePrinterPorts("/dev/ttyS5");
            killed.RestorePrinterPorts();
            _exit(0);
        }
        int status = 0;
        waitpid(run, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status));
    }

    // The scheduler got the give-back before the kill; it may still be applying it.
    const Queue given{"serial:/dev/ttyS5?baud=9600", false, ""};
    EXPECT_TRUE(test::WaitUntil([&] { return Look("Receipts") == given; })) << Look("Receipts");
    const ReleaseReport report = RecoverPrinters(*MakeCupsSpooler());
    EXPECT_TRUE(report.recovered.empty() && report.unrecovered.empty());
}

// The scheduler parks the queue, but its answer comes after the time-out: the run holds it as
// maybe parked and gives it back at the end.
TEST_F(CupsSpoolerTest, AParkAnsweredTooLateIsGivenBackAtTheEnd) {
    AddQueue("Late", "serial:/dev/ttyS6");
    ReleaseReport report;
    {
        const test::SchedulerRelay relay(*cupsd_, {.holdAfter = [](std::string_view request) {
            return request.find("file:/dev/null") != std::string::npos;
        }});
        report = ports.ReleasePrinterPorts("/dev/ttyS6");
    }
    EXPECT_EQ(report.unparked, (std::vector<UnparkedPrinter>{{"Late", ParkFailure::NoAnswer}}));
    EXPECT_EQ(Look("Late").deviceUri, "file:/dev/null");

    EXPECT_EQ(ports.RestorePrinterPorts(), std::vector<UnrestoredPrinter>{});
    EXPECT_EQ(Look("Late"), (Queue{"serial:/dev/ttyS6", false, ""}));
}

// An answer that comes a byte at a time never falls silent, and still ends at the time-out.
TEST_F(CupsSpoolerTest, ATricklingAnswerEndsAtTheTimeOut) {
    AddQueue("Trickled", "serial:/dev/ttyS7");
    const test::SchedulerRelay relay(*cupsd_, {.trickle = true});
    const auto start = std::chrono::steady_clock::now();

    EXPECT_EQ(ports.ReleasePrinterPorts("/dev/ttyS7").end, PassEnd::NoAnswer);

    EXPECT_LT(std::chrono::steady_clock::now() - start, kRequestTimeout + std::chrono::seconds(1));
}

// /dev/ttyS1 also names /dev/ttyS10: the run that ends first leaves the shared queue parked for
// the other, which gives it back.
TEST_F(CupsSpoolerTest, RunsOnOverlappingPortsShareAQueue) {
    AddQueue("One", "serial:/dev/ttyS1?baud=9600");
    AddQueue("Ten", "serial:/dev/ttyS10?baud=9600");
    PrinterPorts ten(MakeCupsSpooler());
    PrinterPorts one(MakeCupsSpooler());
    ten.ReleasePrinterPorts("/dev/ttyS10");
    one.ReleasePrinterPorts("/dev/ttyS1");
    EXPECT_EQ(one.Map().size(), 2u);

    EXPECT_EQ(ten.RestorePrinterPorts(), std::vector<UnrestoredPrinter>{});
    EXPECT_EQ(Look("Ten").deviceUri, "file:/dev/null");
    EXPECT_EQ(one.RestorePrinterPorts(), std::vector<UnrestoredPrinter>{});
    EXPECT_EQ(Look("Ten"), (Queue{"serial:/dev/ttyS10?baud=9600", false, ""}));
    EXPECT_EQ(Look("One"), (Queue{"serial:/dev/ttyS1?baud=9600", false, ""}));
}

// A stopped scheduler costs one request time-out, not one per queue, and an interrupt ends the
// wait at once; nothing is recorded, so nothing is given back later.
TEST_F(CupsSpoolerTest, AHungSchedulerIsBoundedAndInterruptible) {
    for (const char* name : {"A", "B", "C"}) {
        AddQueue(name, "serial:/dev/ttyS2");
    }
    using Clock = std::chrono::steady_clock;
    cupsd_->Freeze();
    const Clock::time_point start = Clock::now();
    const ReleaseReport hung = ports.ReleasePrinterPorts("COM3");
    const Clock::duration waited = Clock::now() - start;
    PrinterPorts interrupted(MakeCupsSpooler());
    std::thread signal([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        interrupted.Interrupt();
    });
    const Clock::time_point again = Clock::now();
    const PassEnd end = interrupted.ReleasePrinterPorts("/dev/ttyS4").end;
    const Clock::duration untilInterrupted = Clock::now() - again;
    signal.join();
    cupsd_->Thaw();

    EXPECT_EQ(hung.end, PassEnd::NoAnswer);
    EXPECT_LT(waited, kRequestTimeout * 2);
    EXPECT_EQ(end, PassEnd::Interrupted);
    EXPECT_LT(untilInterrupted, kRequestTimeout);
    EXPECT_TRUE(ports.IsEmpty());
    EXPECT_EQ(Look("A"), (Queue{"serial:/dev/ttyS2", false, ""}));
}

}  // namespace
}  // namespace vemora
