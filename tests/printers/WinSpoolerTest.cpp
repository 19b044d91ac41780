// The spooler of Windows, as wine runs it (its own, with CUPS kept out: the test run points
// CUPS_SERVER nowhere), with test printers of its own. Nothing here opens a serial port.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <thread>

#include "printers/PrinterPorts.h"
#include "printers/WinSpooler.h"
#include "support/WinTestPrinters.h"

namespace vemora {
namespace {

// Printers in the local spooler for the test's life.
class TestPrinters {
  public:
    explicit TestPrinters(std::map<std::string, std::string> ports) : ports_(std::move(ports)) {
        for (const auto& [name, port] : ports_) {
            EXPECT_TRUE(test::AddTestPrinter(name, port)) << name << " " << GetLastError();
        }
    }
    ~TestPrinters() {
        for (const auto& [name, port] : ports_) {
            test::RemoveTestPrinter(name);
        }
    }

    // Each test printer's port string now.
    static std::map<std::string, std::string> Ports() {
        std::map<std::string, std::string> ports;
        for (const LocalPrinter& p : MakeWinSpooler()->ListLocalPrinters()) {
            if (p.name.starts_with("Vemora ")) {
                ports[p.name] = p.port;
            }
        }
        return ports;
    }

  private:
    std::map<std::string, std::string> ports_;
};

const std::map<std::string, std::string> kPorts = {
    {"Vemora Receipt", "COM60:"},
    {"Vemora Pool", "LPT1:,COM60:"},
    {"Vemora Other", "COM61:"},
    {"Vemora Lower", "com60:"},
};

TEST(WinSpooler, ParksThePrintersOnThePortAndGivesThemBack) {
    const TestPrinters printers(kPorts);
    ASSERT_EQ(TestPrinters::Ports(), kPorts);
    for (const char* port : {"COM60", "\\\\.\\COM60"}) {
        SCOPED_TRACE(port);
        {
            PrinterPorts ports(MakeWinSpooler());
            const ReleaseReport report = ports.ReleasePrinterPorts(port);
            EXPECT_EQ(report.end, PassEnd::Done);
            EXPECT_TRUE(report.unparked.empty());
            EXPECT_EQ(ports.Map(), (PrinterPortMap{{"Vemora Pool", "LPT1:,COM60:"},
                                                   {"Vemora Receipt", "COM60:"}}));
            std::map<std::string, std::string> parked = kPorts;
            parked["Vemora Pool"] = parked["Vemora Receipt"] = "FILE:";
            EXPECT_EQ(TestPrinters::Ports(), parked);
            // A second release leaves the record of the first.
            ports.ReleasePrinterPorts(port);
            EXPECT_EQ(ports.Map().at("Vemora Pool"), "LPT1:,COM60:");
            // Wine's spooler refuses to pause a printer: a parked one that ran is told as one
            // that may have printed into "FILE:", and gets its port back all the same.
            for (const UnrestoredPrinter& p : ports.RestorePrinterPorts()) {
                EXPECT_EQ(p.why, RestoreFailure::NotPaused) << p.name;
            }
        }
        EXPECT_EQ(TestPrinters::Ports(), kPorts);
    }
}

TEST(WinSpooler, TheMarkOutlivesTheRunAndAnEndedRunsPrintersAreGivenBack) {
    const TestPrinters printers(std::map<std::string, std::string>{{"Vemora Receipt", "COM60:"}});
    // A run that ended without giving its printer back: its holder is a process that is gone.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    char command[] = "cmd.exe /c exit";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &child));
    WaitForSingleObject(child.hProcess, INFINITE);
    const Holder ended{static_cast<long>(child.dwProcessId), "1", ThisProcess("COM60").host,
                       "COM60"};
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    {
        const std::unique_ptr<Spooler> spooler = MakeWinSpooler();
        const auto printer = spooler->OpenPrinter("Vemora Receipt");
        ASSERT_TRUE(printer && printer->Fetch());
        ASSERT_TRUE(printer->Park(ended));
    }
    const std::unique_ptr<Spooler> spooler = MakeWinSpooler();
    const std::vector<LocalPrinter> listed = spooler->ListLocalPrinters();
    const auto receipt = std::find_if(listed.begin(), listed.end(), [](const LocalPrinter& p) {
        return p.name == "Vemora Receipt";
    });
    ASSERT_NE(receipt, listed.end());
    EXPECT_EQ(receipt->port, "FILE:");
    ASSERT_TRUE(receipt->mark.has_value());
    EXPECT_EQ(receipt->mark->port, "COM60:");
    EXPECT_EQ(receipt->mark->holders, std::vector<Holder>{ended});
    EXPECT_TRUE(IsGone(ended));
    EXPECT_FALSE(IsGone(ThisProcess("COM60")));

    const ReleaseReport recovered = RecoverPrinters(*spooler);
    EXPECT_EQ(recovered.recovered, std::vector<std::string>{"Vemora Receipt"});
    EXPECT_EQ(TestPrinters::Ports().at("Vemora Receipt"), "COM60:");
}

TEST(WinSpooler, OneRunPerPortThroughANamedMutex) {
    PortLocks first;
    EXPECT_EQ(first.Take("COM60").failure, LockFailure::None);
    // The mutex is another thread's: this run's second try is refused as another run's would be.
    LockError second;
    std::thread([&] { second = PortLocks().Take("\\\\.\\COM60"); }).join();
    EXPECT_EQ(second.failure, LockFailure::Held);
    first.Clear();
    std::thread([&] { second = PortLocks().Take("COM60"); }).join();
    EXPECT_EQ(second.failure, LockFailure::None);
}

}  // namespace
}  // namespace vemora
