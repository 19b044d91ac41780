#pragma once
// Keeps local printers off the serial port while this program may use it: each printer whose port
// string names the chosen port is parked on "FILE:" and its port string recorded; at the end every
// recorded printer that is still parked for this program gets its port string back.
//
// The spooler keeps a mark on each parked printer (its former port and state, and its holders),
// so that a run that ends without giving printers back (killed, a power cut) leaves them for the
// next run to give back. Several runs may hold one printer: one parked it, the others joined, and
// the last to let go gives it back. A port is held by one run at a time, through its lock file:
// the caller takes it (PortLocks) before the first release for the port and keeps it until the
// restore. Every method may be called from any thread.

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "printers/HostLock.h"
#include "printers/Spooler.h"

namespace vemora {

// Printer name -> the port string it had before it was parked; restored in this order.
using PrinterPortMap = std::map<std::string, std::string>;

// How a pass over the printers ended.
enum class PassEnd {
    Done,
    NotRunning,   // no scheduler: there is nothing to park
    NoAnswer,     // the scheduler did not answer in time
    Interrupted,  // the program is ending
    LockBusy,     // the printers' lock could not be had: ReleaseReport::marksLock says why
};

enum class ParkFailure {
    CannotOpen,  // gone, or not readable
    Refused,     // the scheduler refused the change (its policy, or no rights)
    NoAnswer,    // the pass ended first
};

struct UnparkedPrinter {
    std::string name;
    ParkFailure why;

    bool operator==(const UnparkedPrinter&) const = default;
};

enum class RestoreFailure {
    UriNotSet,    // still parked: its port string was not set back
    NotResumed,   // its port string is back, but it was not started again
    MaybeParked,  // a change got no answer in time: it may be parked or not
    // Given back, but someone had started it while it was parked: its jobs printed meanwhile
    // went to the parking port.
    PrintedWhileParked,
    // Given back, but the spooler had refused to pause it while it was parked: a job sent to it
    // meanwhile went to the parking port.
    NotPaused,
    ChangedMeanwhile,  // someone else changed it while it was parked: left as it is
    Removed,           // it was deleted while parked
};

struct UnrestoredPrinter {
    std::string name;
    std::string port;  // the port string it should have again
    RestoreFailure why = RestoreFailure::UriNotSet;
    std::vector<int> lostJobs{};  // PrintedWhileParked: the jobs printed into the parking port

    bool operator==(const UnrestoredPrinter&) const = default;
};

// True when one of them is left parked or stopped by this program.
bool LeftParked(const std::vector<UnrestoredPrinter>& printers);

struct ReleaseReport {
    PassEnd end = PassEnd::Done;
    LockError marksLock{};  // why the printers' lock could not be had (LockBusy)
    std::vector<UnparkedPrinter> unparked{};
    // Printers that ended runs had left parked, given back (or not) by this pass.
    std::vector<std::string> recovered{};
    std::vector<UnrestoredPrinter> unrecovered{};
};

// A printer as `vemora-cli printers` shows it.
struct PrinterListing {
    std::vector<LocalPrinter> printers;
    PassEnd end = PassEnd::Done;
};

class PrinterPorts {
  public:
    explicit PrinterPorts(std::unique_ptr<Spooler> spooler);
    ~PrinterPorts();

    // Under the host-wide lock of the marks: gives back the
    // printers whose holders have all ended, or takes them over when they belong to this port;
    // joins the holders of printers another live run parked for this port; parks the printers
    // whose port string contains the device path of portName (as the user picked it: "COM1",
    // "\\.\COM10", "/dev/ttyUSB0") or the real device it leads to, case-sensitively. Each is
    // recorded before it is opened; a later record of the same printer replaces the earlier one.
    // Called before every attempt to open the port, with the port's lock held.
    ReleaseReport ReleasePrinterPorts(const std::string& portName);
    // Lets go of every printer this object holds: one that no live run holds any more gets its
    // port string and state back, if it is still parked with its mark; then the port locks are
    // the map emptied. Returns the printers that did not get their port back. When a
    // pass under way does not end within the limit, nothing is given back: every held printer
    // is returned as still parked, for the next run to give back.
    std::vector<UnrestoredPrinter> RestorePrinterPorts(
        std::chrono::milliseconds limit = kPassDeadline);

    // Ends a release pass under way at its next request; later releases touch nothing. A
    // restore still runs, within its own limit.
    void Interrupt() { interrupted_ = true; }

    bool IsEmpty() const;
    PrinterPortMap Map() const;

  private:
    // Whether this object is a holder of a printer: a change that got no answer may have been
    // made.
    enum class Holding { None, Maybe, Sure };
    struct Pass;
    struct RestorePass {
        bool marks;  // the marks' lock is held
        bool failed = false;
    };
    Holding Changed(Pass& pass, const std::string& name, bool done, bool opened);
    void ParkOne(Pass& pass, const std::string& name, const std::string& port);
    void JoinOrRecover(Pass& pass, const LocalPrinter& printer);
    std::optional<UnrestoredPrinter> RestoreOne(RestorePass& pass, const std::string& name,
                                                const std::string& port, Holding holding);
    std::vector<UnrestoredPrinter> StillHeld() const;
    static RestoreFailure Unknown(Holding holding);
    void Record(const std::string& name, const std::string& port, Holding holding);

    std::unique_ptr<Spooler> spooler_;
    std::atomic<bool> interrupted_ = false;
    // One pass at a time; a restore waits for a pass under way no longer than its limit.
    std::timed_mutex pass_;
    // Guards map_ and held_, which a restore that could not wait for the pass still reads.
    mutable std::mutex state_;
    PrinterPortMap map_;
    std::map<std::string, Holding> held_;  // the printers this object is a holder of
    std::set<std::string> ports_;          // the real devices released for
};

// Without taking any port: gives back the printers whose holders have all ended. Holders
// recorded under `oldHostName` (this host's name before a rename) count as ended: only safe when
// no run on that host name can still be alive.
ReleaseReport RecoverPrinters(Spooler& spooler, const std::string& oldHostName = {});

// The printers on a port (its device path or real device in the port string or the mark), or,
// for an empty port name, every printer with a mark.
PrinterListing ListParkedPrinters(Spooler& spooler, const std::string& portName);

}  // namespace vemora
