#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "printers/PrinterPorts.h"
#include "support/ScriptedSpooler.h"

namespace vemora {
namespace {

using test::Script;
using test::ScriptedSpooler;
using namespace std::chrono_literals;

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
    // Beyond pid_t: kill() would take it for process 1, alive for ever.
    const Holder wrapping{4294967297, "w-1", self.host, "/dev/ttyS7"};
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
        {"another port, a pid beyond pid_t", "serial:/dev/ttyS7", {wrapping}, {}, false},
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
        {"started meanwhile", [](Script& s) { s.Printer("P").stopped = false; },
         RestoreFailure::PrintedWhileParked, "serial:/dev/ttyS0"},
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

// A change that got no answer in time may have been made: the restore looks, gives back what the
// mark says this run holds, and names what it cannot see.
TEST(PrinterPorts, AChangeWithoutAnAnswerIsMaybeDone) {
    const Holder other{1, "x", "other-host", "/dev/ttyS0"};
    const struct Case {
        const char* name;
        std::optional<ParkMark> markBefore;
        void (*atRestore)(Script&);
        std::vector<UnrestoredPrinter> unrestored;
        std::string portAfter;
    } cases[] = {
        {"park made late", std::nullopt, [](Script&) {}, {}, "serial:/dev/ttyS0"},
        {"park unseen at restore",
         std::nullopt,
         [](Script& s) { s.fetchFailures = {"P"}; },
         {{"P", "serial:/dev/ttyS0", RestoreFailure::MaybeParked}},
         "FILE:"},
        {"park undone meanwhile",
         std::nullopt,
         [](Script& s) { s.Printer("P").mark.reset(); },
         {},
         "FILE:"},
        {"give-back made late",
         std::nullopt,
         [](Script& s) { s.unanswered = {"P"}; },
         {{"P", "serial:/dev/ttyS0", RestoreFailure::MaybeParked}},
         "serial:/dev/ttyS0"},
        {"join made late",
         ParkMark{"serial:/dev/ttyS0", true, "", {other}},
         [](Script&) {},
         {},
         "FILE:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script script{{{"P", "serial:/dev/ttyS0"}}};
        if (c.markBefore) {
            script.printers[0] = {"P", "FILE:", true, true, "", c.markBefore};
        }
        script.unanswered = {"P"};
        PrinterPorts ports(std::make_unique<ScriptedSpooler>(script));
        EXPECT_EQ(ports.ReleasePrinterPorts("COM1").end, PassEnd::NoAnswer);
        c.atRestore(script);

        EXPECT_EQ(ports.RestorePrinterPorts(), c.unrestored);
        EXPECT_EQ(script.printers[0].port, c.portAfter);
        if (c.markBefore) {
            EXPECT_EQ(script.printers[0].mark->holders, c.markBefore->holders);
        }
    }
}

// `printers --restore` gives back what ended runs left: parked, or with its port string back but
// still marked (a give-back cut short, or mended by hand). With an old host name, the holders
// recorded under it count as ended.
TEST(PrinterPorts, RecoveryFinishesWhatEndedRunsLeft) {
    const Holder self = ThisProcess("/dev/ttyS0");
    const Holder ended{self.pid, "ended-1", self.host, "/dev/ttyS0"};
    const Holder renamed{self.pid, self.start, "old-name", "/dev/ttyS0"};
    const std::string uri = "serial:/dev/ttyS0";
    const struct Case {
        const char* name;
        std::string port;
        std::vector<Holder> holders;
        std::string oldHostName;
        bool recovered;
    } cases[] = {
        {"parked, ended", "FILE:", {ended}, "", true},
        {"port back, still marked", uri, {ended}, "", true},
        {"port changed by hand", "serial:/dev/ttyS4", {ended}, "", false},
        {"live holder", uri, {self}, "", false},
        {"old host name", "FILE:", {renamed}, "", false},
        {"old host name given", "FILE:", {renamed, ended}, "old-name", true},
        {"another host name given", "FILE:", {renamed}, "other-name", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Script script{{{"P", c.port, true, true, "Held", ParkMark{uri, true, "ready", c.holders}}}};

        const ReleaseReport report =
            RecoverPrinters(*std::make_unique<ScriptedSpooler>(script), c.oldHostName);

        EXPECT_EQ(report.recovered,
                  c.recovered ? std::vector<std::string>{"P"} : std::vector<std::string>{});
        const LocalPrinter& after = script.Printer("P");
        EXPECT_EQ(after.mark.has_value(), !c.recovered);
        if (c.recovered) {
            EXPECT_EQ(after.port, uri);
            EXPECT_FALSE(after.stopped);
            EXPECT_EQ(after.message, "ready");
            EXPECT_EQ(script.log.end()[-2], "resume P");
        }
    }
}

TEST_F(PrinterPortsTest, ASchedulerThatDoesNotAnswerIsReportedAndNothingIsRecorded) {
    SetPrinters({{"A", "serial:/dev/ttyS0"}});
    script.state = SchedulerState::NoAnswer;

    EXPECT_EQ(ports.ReleasePrinterPorts("COM1").end, PassEnd::NoAnswer);

    EXPECT_TRUE(ports.IsEmpty());
    EXPECT_EQ(script.PortOf("A"), "serial:/dev/ttyS0");
}

// One run per port: a second run on the port, however it names it, does not get its lock. A port
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
    PortLocks firstLock;
    PortLocks secondLock;

    EXPECT_EQ(firstLock.Take(link), LockError{});
    first.ReleasePrinterPorts(link);
    EXPECT_EQ(first.Map().size(), 2u);
    EXPECT_EQ(script.PortOf("Other"), "serial:/dev/ttyS0");
    EXPECT_TRUE(std::filesystem::exists(folder / PortLockName(device)));

    const LockError held = secondLock.Take(device);
    EXPECT_EQ(held.failure, LockFailure::Held);
    EXPECT_EQ(held.pid, getpid());

    first.RestorePrinterPorts();
    firstLock.Clear();
    EXPECT_FALSE(std::filesystem::exists(folder / PortLockName(device)));
    EXPECT_EQ(secondLock.Take(device), LockError{});
    second.ReleasePrinterPorts(device);
    EXPECT_EQ(second.Map().size(), 2u);
}

// What a run finds where a lock file should be. A pid beyond pid_t would wrap in kill() to a
// live process; a FIFO would hang the open; a link would lead the lock elsewhere.
TEST(HostLock, AFileThatIsNoLockIsRefusedAndAnEndedOneTakenOver) {
    const std::filesystem::path folder = test::kPrivateLockFolder.Path();
    const struct {
        const char* name;
        std::function<void(const std::filesystem::path&)> plant;
        LockFailure failure;
    } cases[] = {
        {"nothing", [](const auto&) {}, LockFailure::None},
        {"an ended pid", [](const auto& p) { std::ofstream(p) << "  99999999\n"; },
         LockFailure::None},
        {"a pid beyond pid_t", [](const auto& p) { std::ofstream(p) << "4294967297\n"; },
         LockFailure::None},
        {"a live pid", [](const auto& p) { std::ofstream(p) << getppid() << "\n"; },
         LockFailure::Held},
        {"a FIFO", [](const auto& p) { mkfifo(p.c_str(), 0666); }, LockFailure::NotAFile},
        {"a folder", [](const auto& p) { std::filesystem::create_directory(p); },
         LockFailure::NotAFile},
        {"a link", [](const auto& p) { std::filesystem::create_symlink("/etc/hostname", p); },
         LockFailure::Link},
    };
    const mode_t umaskWas = umask(077);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string device = "/dev/vemora-" + std::string(c.name);
        const std::filesystem::path file = folder / PortLockName(device);
        c.plant(file);
        const LockResult taken = TakePortLock(device);
        EXPECT_EQ(taken.error.failure, c.failure);
        EXPECT_EQ(taken.error.file, c.failure == LockFailure::None ? "" : file);
        if (c.failure == LockFailure::Held) {
            EXPECT_EQ(taken.error.pid, getppid());
        }
        if (taken.lock && c.name == std::string("nothing")) {
            std::ifstream written(file);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}),
                      std::string(10 - std::to_string(getpid()).size(), ' ') +
                          std::to_string(getpid()) + "\n");
            // Made under umask 077, other users' runs can still read it.
            EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0644));
        }
    }
    umask(umaskWas);
}

// The marks' lock: a FIFO or a link planted in its place is refused at once, naming the file; a
// holder that keeps it past the limit is named.
TEST(HostLock, TheMarksLockIsARegularFileAndItsHolderIsNamed) {
    const std::filesystem::path file = test::kPrivateLockFolder.Path() / "vemora-printers.lock";
    const struct {
        const char* name;
        std::function<void()> plant;
        LockFailure failure;
    } cases[] = {
        {"a FIFO", [&] { mkfifo(file.c_str(), 0666); }, LockFailure::NotAFile},
        {"a link", [&] { std::filesystem::create_symlink("/etc/hostname", file); },
         LockFailure::Link},
    };
    Script script;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(file);
        c.plant();
        const ReleaseReport report = RecoverPrinters(*std::make_unique<ScriptedSpooler>(script));
        EXPECT_EQ(report.end, PassEnd::LockBusy);
        EXPECT_EQ(report.marksLock.failure, c.failure);
        EXPECT_EQ(report.marksLock.file, file);
        std::filesystem::remove(file);
    }
    const LockResult held = TakeMarkLock({std::chrono::steady_clock::now() + 1s});
    const LockResult waited = TakeMarkLock({std::chrono::steady_clock::now() + 50ms});
    EXPECT_EQ(waited.error.failure, LockFailure::Held);
    EXPECT_EQ(waited.error.pid, getpid());
    EXPECT_EQ(waited.error.user, "root");
}

// Runs `take` as user nobody; its exit status is the child's.
int AsNobody(const std::function<int()>& take) {
    const pid_t child = fork();
    if (child == 0) {
        _exit(setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0 ? take() : 99);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Another user's port lock in the shared lock folder (sticky, world-writable): taken over where
// this user may (root, or the folder's owner who may remove it), otherwise named with its owner.
// Root is refused O_CREAT on another user's file there (fs.protected_regular, which the open
// wrapper below plays where the machine has it off).
TEST(HostLock, AnotherUsersLockIsTakenOverWhereTheUserMayOrNamed) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "Needs root, to run as a second user (nobody).";
    }
    const struct {
        const char* name;
        uid_t fileOwner;
        uid_t folderOwner;
        bool asNobody;
        LockFailure failure;
    } cases[] = {
        {"nobody's, taken by root", 65534, 0, false, LockFailure::None},
        {"root's, taken by nobody: may not remove", 0, 0, true, LockFailure::Stale},
        {"root's, taken by nobody who owns the folder", 0, 65534, true, LockFailure::None},
    };
    const std::string device = "/dev/ttyVEMORA";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Apart from the private lock folder, which the second user may not enter.
        std::string folder = std::filesystem::temp_directory_path() / "vemora-shared-XXXXXX";
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        chmod(folder.c_str(), 01777);
        chown(folder.c_str(), c.folderOwner, 0);
        const std::filesystem::path file = std::filesystem::path(folder) / PortLockName(device);
        std::ofstream(file) << "  99999999\n";
        chown(file.c_str(), c.fileOwner, 0);
        setenv("VEMORA_LOCK_DIR", folder.c_str(), 1);
        const auto take = [&] {
            const LockResult taken = TakePortLock(device);
            const bool named = taken.error.failure != LockFailure::Stale ||
                               (taken.error.user == "root" && taken.error.pid == 99999999);
            return static_cast<int>(taken.error.failure) + (named ? 0 : 100);
        };
        EXPECT_EQ(c.asNobody ? AsNobody(take) : take(), static_cast<int>(c.failure));
        setenv("VEMORA_LOCK_DIR", test::kPrivateLockFolder.Path().c_str(), 1);
        std::filesystem::remove_all(folder);
    }
}

}  // namespace
}  // namespace vemora

// fs.protected_regular = 2, as Debian sets it: an open with O_CREAT of another user's existing
// regular file in a sticky folder that others may write is refused, to root too.
extern "C" int __real_open(const char* path, int flags, ...);
extern "C" int __wrap_open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const int mode = (flags & O_CREAT) != 0 ? va_arg(args, int) : 0;
    va_end(args);
    struct stat file {};
    struct stat folder {};
    const std::string parent = std::filesystem::path(path).parent_path().string();
    if ((flags & O_CREAT) != 0 && lstat(path, &file) == 0 && S_ISREG(file.st_mode) &&
        stat(parent.empty() ? "." : parent.c_str(), &folder) == 0 &&
        (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0 &&
        file.st_uid != folder.st_uid && file.st_uid != geteuid()) {
        errno = EACCES;
        return -1;
    }
    return __real_open(path, flags, mode);
}
