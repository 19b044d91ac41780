#include "flows/Outcome.h"

#include <cstdio>
#include <cstring>

#include "printers/MendAdvice.h"
#include "switches/Utf8Path.h"

namespace vemora {

Message MessageFor(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
        case Outcome::FileFailed:
            return {"", MessageIcon::None};
        case Outcome::Connected:
            return {"Connected.", MessageIcon::Information};
        case Outcome::ConfigureRefused:
            return {"Port Configuration Set Error!", MessageIcon::None};
        case Outcome::OpenFailed:
            return {"Can't open port and Display is disconnected", MessageIcon::Exclamation};
        case Outcome::PortError:
            return {"Port error! Check port, please.", MessageIcon::Exclamation};
        case Outcome::PartlySet:
            return {"Port error! Check port, please.", MessageIcon::Exclamation,
                    "The display may now hold only part of the new settings; run Set Status "
                    "again."};
        case Outcome::WrongIdentity:
            return {"This Display don't match our company name.", MessageIcon::Exclamation};
        case Outcome::NoResponse:
            return {"Display did not respond. Check the display, please.",
                    MessageIcon::Exclamation};
        case Outcome::GotStatus:
            return {"Success to get status of ZRN.", MessageIcon::Information};
        case Outcome::SetStatus:
            return {"Success to set status of ZRN", MessageIcon::Information};
        case Outcome::WrongFormat:
            return {"Wrong format files loaded.", MessageIcon::Exclamation};
        case Outcome::Unchanged:
            return {"Unchanged.", MessageIcon::Information};
        case Outcome::Changed:
            return {"Changed.", MessageIcon::Information};
        case Outcome::NotHeld:
            return {"The display does not hold what was sent.", MessageIcon::Exclamation};
        case Outcome::WouldChange:
            return {"Would change; nothing was written.", MessageIcon::Information};
    }
    return {"", MessageIcon::None};
}

bool IsSuccess(Outcome outcome) {
    return outcome == Outcome::Done || outcome == Outcome::Connected ||
           outcome == Outcome::GotStatus || outcome == Outcome::SetStatus ||
           outcome == Outcome::Unchanged || outcome == Outcome::Changed ||
           outcome == Outcome::WouldChange;
}

namespace {

// Who may open the port, and what would let this user in: joining its group only where the
// group may read and write it.
std::string AccessAdvice(const DeviceAccess& access) {
    if (access.owner.empty()) {
        return ". Ask the administrator for access to it.";
    }
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", access.mode);
    const std::string facts =
        " (owner " + access.owner + ", group " + access.group + ", mode " + mode + ")";
    if ((access.mode & 060) != 060) {
        return facts +
               ". Its group may not read and write it, so joining the group would not "
               "help; ask the administrator to open it to a group (mode 0660).";
    }
    if (access.inGroup) {
        return facts + ". User " + access.user + " is in the group " + access.group +
               " already; something else keeps it out (an access list or a security policy): "
               "ask the administrator.";
    }
    return facts + ". Join the group " + access.group + " (sudo usermod -aG " + access.group + " " +
           access.user + "), then log in again.";
}

}  // namespace

std::string DescribeOpenError(const OpenError& error) {
    const std::string device = error.device.empty() ? "the port" : error.device;
    switch (error.failure) {
        case OpenFailure::None:
            return {};
        case OpenFailure::NoSuchDevice:
            return device + ": no such serial port on this machine (" + error.detail + ").";
        case OpenFailure::PermissionDenied:
            return device + ": permission denied" + AccessAdvice(error.access);
        case OpenFailure::Busy:
            return device + " is held by another program" +
                   (error.detail.empty() ? "" : " (" + error.detail + ")") + ".";
        case OpenFailure::NotATerminal:
            return device + " is not a serial port (" + error.detail + ").";
        case OpenFailure::SettingsRefused:
            return device + " did not take the line settings (" + error.detail + ").";
        case OpenFailure::DsrOff:
            return device + ": DSR is off. Check that the display is attached and powered.";
        case OpenFailure::Other:
            return device + ": " + error.detail + ".";
    }
    return {};
}

namespace {

// "process 4242, minicom of user alice"
std::string HolderOf(const LockError& error) {
    std::string text = "process " + std::to_string(error.pid);
    if (!error.command.empty()) {
        text += ", " + error.command + (error.user.empty() ? "" : " of user " + error.user);
    }
    return text;
}

std::string Removal(const LockError& error) {
    const bool other = !error.user.empty() && error.user != "root";
    return "; remove it as " + (other ? error.user + " or " : "") + "root with: rm " +
           ShellQuoted(Utf8Text(error.file));
}

}  // namespace

std::string DescribeLockError(const LockError& error) {
    const std::string file = Utf8Text(error.file);
    switch (error.failure) {
        case LockFailure::None:
            return {};
        case LockFailure::Held:
            return (error.pid != 0 ? HolderOf(error) + ", " : std::string()) + "lock " + file;
        case LockFailure::Stale:
            return "the lock " + file + " was left by " +
                   (error.pid != 0 ? "process " + std::to_string(error.pid) : "a process") +
                   ", which has ended" + Removal(error);
        case LockFailure::NotAFile:
            return "the lock file " + file + " is not a regular file" + Removal(error);
        case LockFailure::Link:
            return "the lock file " + file + " is a symbolic link" + Removal(error);
        case LockFailure::CannotOpen:
            return "cannot open the lock file " + file + ": " + std::strerror(error.error);
        case LockFailure::CannotWrite:
            return "cannot write the lock file " + file + ": " + std::strerror(error.error);
    }
    return {};
}

OpenError PortLockRefusal(const std::string& portName, const LockError& error) {
    return {error.failure == LockFailure::Held ? OpenFailure::Busy : OpenFailure::Other, portName,
            DescribeLockError(error)};
}

std::string DescribeFileFailure(const FileResult& result, bool saving) {
    return std::string(saving ? "Could not save \"" : "Could not load \"") + Utf8Text(result.path) +
           "\": " + result.reason + ".";
}

Outcome FileOutcomeOf(const FileResult& result) {
    switch (result.outcome) {
        case FileOutcome::Ok:
            return Outcome::Done;
        case FileOutcome::WrongFormat:
            return Outcome::WrongFormat;
        case FileOutcome::CannotRead:
        case FileOutcome::CannotWrite:
            return Outcome::FileFailed;
    }
    return Outcome::FileFailed;
}

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Unparked(const UnparkedPrinter& printer) {
    const char* why = "";
    switch (printer.why) {
        case ParkFailure::CannotOpen:
            why = "it could not be opened";
            break;
        case ParkFailure::Refused:
            why = "the scheduler refused the change (its policy, or no right to change printers)";
            break;
        case ParkFailure::NoAnswer:
            why =
                "the scheduler did not answer in time (if it parks it later, it gets its port "
                "back when the run ends)";
            break;
    }
    return "Printer " + Quoted(printer.name) + " could not be parked: " + why +
           "; it may print into the port.";
}

std::string MarksLockProblem(const LockError& error) {
    if (error.failure != LockFailure::Held && error.failure != LockFailure::None) {
        return "The printers' lock could not be taken: " + DescribeLockError(error);
    }
    return "Another program" + (error.pid != 0 ? " (" + HolderOf(error) + ")" : std::string()) +
           " kept the printers' lock past " + std::to_string(kPassDeadline.count()) + " s";
}

std::string PrintedWhileParked(const UnrestoredPrinter& printer) {
    std::string line =
        "Printer " + Quoted(printer.name) + " was started by someone while it was parked: ";
    if (printer.lostJobs.empty()) {
        return line + "no job of it was printed meanwhile.";
    }
    line += "its job";
    line += printer.lostJobs.size() > 1 ? "s " : " ";
    for (std::size_t i = 0; i < printer.lostJobs.size(); ++i) {
        line += (i > 0 ? ", " : "") + std::to_string(printer.lostJobs[i]);
    }
    return line + " went to /dev/null and must be printed again.";
}

}  // namespace

std::vector<std::string> DescribeRelease(const ReleaseReport& report) {
    std::vector<std::string> lines;
    for (const std::string& name : report.recovered) {
        lines.push_back("Printer " + Quoted(name) +
                        ", left parked by a run that has ended, got its port back.");
    }
    for (const UnrestoredPrinter& printer : report.unrecovered) {
        lines.push_back(DescribeUnrestored(printer));
    }
    for (const UnparkedPrinter& printer : report.unparked) {
        lines.push_back(Unparked(printer));
    }
    if (report.end == PassEnd::NoAnswer) {
        lines.push_back("The printer scheduler did not answer within " +
                        std::to_string(kRequestTimeout.count()) +
                        " s; printers on the port may print into it.");
    } else if (report.end == PassEnd::LockBusy) {
        lines.push_back(MarksLockProblem(report.marksLock) +
                        "; printers on the port were not parked and may print into it.");
    }
    return lines;
}

std::string DescribeUnrestored(const UnrestoredPrinter& printer) {
    const std::string name = Quoted(printer.name);
    switch (printer.why) {
        case RestoreFailure::UriNotSet:
            return "Printer " + name + " is still parked: its " + std::string(kPortStringName) +
                   " was not set back to " + Quoted(printer.port) +
                   ". Mend it with: vemora-cli printers --restore (or " +
                   MendParkedAdvice(printer.name, printer.port) + ")";
        case RestoreFailure::NotResumed:
            return "Printer " + name + " has its " + std::string(kPortStringName) +
                   " back but was not started again. Mend it with: " +
                   MendStoppedAdvice(printer.name);
        case RestoreFailure::PrintedWhileParked:
            return PrintedWhileParked(printer);
        case RestoreFailure::NotPaused:
            return "Printer " + Quoted(printer.name) +
                   " could not be paused while it was parked: any job sent to it meanwhile went "
                   "to " +
                   Quoted(std::string(kParkingPort)) + " and must be printed again.";
        case RestoreFailure::MaybeParked:
            return "Printer " + name +
                   " may still be parked: the scheduler did not answer in time. Mend it with: "
                   "vemora-cli printers --restore";
        case RestoreFailure::ChangedMeanwhile:
            return "Printer " + name +
                   " was changed by someone else while it was parked; left as it is (it was on " +
                   Quoted(printer.port) + ").";
        case RestoreFailure::Removed:
            return "Printer " + name + " was deleted while it was parked; nothing to give back.";
    }
    return {};
}

std::string DescribePrinter(const LocalPrinter& printer) {
    std::string line =
        printer.name + "\t" + printer.port + "\t" + (printer.stopped ? "stopped" : "idle");
    if (!printer.mark) {
        return line;
    }
    const ParkMark& mark = *printer.mark;
    line += "\tparked from " + mark.port + (mark.started ? " (was started)" : " (was stopped)");
    if (printer.port != kParkingPort) {
        line += ", but changed since";
    }
    line += "; holders:";
    bool anyLive = false;
    for (const Holder& h : mark.holders) {
        const bool gone = IsGone(h);
        anyLive = anyLive || !gone;
        line += " process " + std::to_string(h.pid) + " on " + h.host + " for " + h.port +
                (gone ? " (ended)" : " (running)") + ";";
    }
    if (mark.holders.empty()) {
        line += " none;";
    }
    if (!anyLive && printer.port == kParkingPort) {
        line += " `vemora-cli printers --restore` gives it back";
    }
    return line;
}

}  // namespace vemora
