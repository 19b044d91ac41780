#include "printers/PrinterPorts.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>

#include "serial/PortNames.h"

namespace vemora {
namespace {

PassEnd EndOf(SchedulerState state) {
    switch (state) {
        case SchedulerState::Answering:
            return PassEnd::Done;
        case SchedulerState::NotRunning:
            return PassEnd::NotRunning;
        case SchedulerState::NoAnswer:
            return PassEnd::NoAnswer;
        case SchedulerState::Interrupted:
            return PassEnd::Interrupted;
    }
    return PassEnd::Done;
}

PassLimits LimitsFrom(std::chrono::milliseconds limit, const std::atomic<bool>* interrupted) {
    return {std::chrono::steady_clock::now() + limit, interrupted};
}

// True when one of the devices of a port string ("serial:/dev/serial/by-id/x?baud=9600", or a
// comma-separated pool of them) is a link to `real`.
bool LinksTo(std::string_view port, const std::string& real) {
    while (!port.empty()) {
        const std::size_t end = std::min(port.find(','), port.size());
        std::string_view one = port.substr(0, end);
        port.remove_prefix(std::min(end + 1, port.size()));
        one = one.substr(std::min(one.find(':') + 1, one.size()));
        one = one.substr(0, std::min(one.find('?'), one.size()));
        if (one.starts_with("/") && !one.starts_with("//") &&
            RealDevicePath(std::string(one)) == real) {
            return true;
        }
    }
    return false;
}

// A port string names the port when it holds the device path as the user gave it or the real
// device that path leads to, or names a link to that device.
bool Names(const std::string& port, const std::string& device, const std::string& real) {
    return port.find(device) != std::string::npos || port.find(real) != std::string::npos ||
           LinksTo(port, real);
}

std::vector<Holder> LiveHolders(const std::vector<Holder>& holders) {
    std::vector<Holder> live;
    std::copy_if(holders.begin(), holders.end(), std::back_inserter(live),
                 [](const Holder& h) { return !IsGone(h); });
    return live;
}

// Opens a printer and reads its record for a change. Once a record could not be fetched,
// `failed` stays set for the rest of the pass: later printers are still opened and closed, but
// not changed. Null when the printer is not to be changed.
std::unique_ptr<SpoolerPrinter> OpenForChange(Spooler& spooler, const std::string& name,
                                              bool& failed) {
    std::unique_ptr<SpoolerPrinter> printer = spooler.OpenPrinter(name);
    if (printer && !failed && !printer->Fetch()) {
        failed = true;
    }
    if (failed) {
        printer.reset();
    }
    return printer;
}

// A change that got no answer may have been made all the same.
bool Answered(const Spooler& spooler) {
    return spooler.State() == SchedulerState::Answering;
}

// A parked printer found started, or whose jobs were printed while it was held, printed them
// into the parking port.
std::optional<UnrestoredPrinter> PrintedWhileParked(SpoolerPrinter& printer) {
    const LocalPrinter& record = printer.Record();
    if (record.port != kParkingPort) {
        return std::nullopt;
    }
    std::vector<int> jobs;
    if (record.mark->since > 0) {
        jobs = printer.JobsPrintedSince(record.mark->since);
    }
    if (record.stopped && jobs.empty()) {
        return std::nullopt;
    }
    if (record.mark->pauseRefused && jobs.empty()) {
        return UnrestoredPrinter{record.name, record.mark->port, RestoreFailure::NotPaused};
    }
    return UnrestoredPrinter{record.name, record.mark->port, RestoreFailure::PrintedWhileParked,
                             std::move(jobs)};
}

// The port string, state and message back with the mark removed, then the printer started again
// if it was; the step that failed, or what it printed while it was parked (asked first: once it
// is started again, its waiting jobs print on the device at once).
std::optional<UnrestoredPrinter> GiveBack(const Spooler& spooler, SpoolerPrinter& printer) {
    std::optional<UnrestoredPrinter> printed = PrintedWhileParked(printer);
    const LocalPrinter& record = printer.Record();
    const auto failed = [&](RestoreFailure why) {
        return UnrestoredPrinter{record.name, record.mark->port, why};
    };
    if (!printer.GiveBackPort()) {
        return failed(Answered(spooler) ? RestoreFailure::UriNotSet : RestoreFailure::MaybeParked);
    }
    if (!printer.Resume()) {
        return failed(RestoreFailure::NotResumed);
    }
    return printed;
}

// A printer with a mark is still held, or its give-back was cut short after its port string
// came back (it was set by hand, or by a run that ended before it removed the mark).
bool Marked(const LocalPrinter& printer) {
    return printer.mark && (printer.port == kParkingPort || printer.port == printer.mark->port);
}

// Gives back a printer whose holders have all ended; true when it got its port back.
bool Recover(Spooler& spooler, const LocalPrinter& printer, bool& failed, ReleaseReport& report) {
    const std::unique_ptr<SpoolerPrinter> opened = OpenForChange(spooler, printer.name, failed);
    const std::optional<UnrestoredPrinter> note =
        opened ? GiveBack(spooler, *opened)
               : UnrestoredPrinter{printer.name, printer.mark->port, RestoreFailure::UriNotSet};
    const bool back = !note || note->why == RestoreFailure::PrintedWhileParked ||
                      note->why == RestoreFailure::NotPaused;
    if (back) {
        report.recovered.push_back(printer.name);
    }
    if (note) {
        report.unrecovered.push_back(*note);
    }
    return back;
}

}  // namespace

bool LeftParked(const std::vector<UnrestoredPrinter>& printers) {
    return std::any_of(printers.begin(), printers.end(), [](const UnrestoredPrinter& p) {
        return p.why == RestoreFailure::UriNotSet || p.why == RestoreFailure::NotResumed ||
               p.why == RestoreFailure::MaybeParked;
    });
}

struct PrinterPorts::Pass {
    Spooler& spooler;
    std::string device;
    std::string real;
    Holder me;
    bool failed = false;
    ReleaseReport report{};

    void Unparked(const std::string& name, ParkFailure why) {
        report.unparked.push_back(
            {name, spooler.State() == SchedulerState::Answering ? why : ParkFailure::NoAnswer});
    }
};

PrinterPorts::PrinterPorts(std::unique_ptr<Spooler> spooler) : spooler_(std::move(spooler)) {}

PrinterPorts::~PrinterPorts() = default;

bool PrinterPorts::IsEmpty() const {
    std::lock_guard lock(state_);
    return map_.empty();
}

PrinterPortMap PrinterPorts::Map() const {
    std::lock_guard lock(state_);
    return map_;
}

void PrinterPorts::Record(const std::string& name, const std::string& port, Holding holding) {
    std::lock_guard lock(state_);
    map_[name] = port;
    if (holding == Holding::None) {
        held_.erase(name);
    } else {
        held_[name] = holding;
    }
}

ReleaseReport PrinterPorts::ReleasePrinterPorts(const std::string& portName) {
    std::lock_guard onePass(pass_);
    const std::string device = PortDevicePath(portName);
    if (device.empty()) {
        return {};
    }
    if (interrupted_) {
        return {.end = PassEnd::Interrupted};
    }
    const std::string real = RealDevicePath(device);
    {
        std::lock_guard lock(state_);
        ports_.insert(real);
    }
    const PassLimits limits = LimitsFrom(kPassDeadline, &interrupted_);
    const LockResult marks = TakeMarkLock(limits);
    if (!marks.lock) {
        return {.end = limits.Interrupted() ? PassEnd::Interrupted : PassEnd::LockBusy,
                .marksLock = marks.error};
    }
    spooler_->BeginPass(limits);
    Pass pass{*spooler_, device, real, ThisProcess(real)};
    for (const LocalPrinter& printer : spooler_->ListLocalPrinters()) {
        if (!Answered(*spooler_)) {
            break;
        }
        if (Marked(printer)) {
            JoinOrRecover(pass, printer);
        } else if (printer.restorable && Names(printer.port, device, real)) {
            ParkOne(pass, printer.name, printer.port);
        }
    }
    pass.report.end = EndOf(spooler_->State());
    if (pass.report.end == PassEnd::Interrupted) {
        // The program is ending: a printer cut short is no news.
        pass.report.unparked.clear();
    }
    return pass.report;
}

// A change that got no answer may have been made: the restore looks whether it was.
PrinterPorts::Holding PrinterPorts::Changed(Pass& pass, const std::string& name, bool done,
                                            bool opened) {
    if (done) {
        return Holding::Sure;
    }
    pass.Unparked(name, opened ? ParkFailure::Refused : ParkFailure::CannotOpen);
    return opened && !Answered(pass.spooler) ? Holding::Maybe : Holding::None;
}

void PrinterPorts::ParkOne(Pass& pass, const std::string& name, const std::string& port) {
    Record(name, port, Holding::None);
    const std::unique_ptr<SpoolerPrinter> opened = OpenForChange(pass.spooler, name, pass.failed);
    Record(name, port, Changed(pass, name, opened && opened->Park(pass.me), opened != nullptr));
}

// A printer with a mark: when it was parked for this port, this run becomes one of its holders
// (alone, when the others have ended); when its holders have all ended and it was parked for
// another port, or its give-back was cut short, it gets its port back (and is parked again when
// it is on this port).
void PrinterPorts::JoinOrRecover(Pass& pass, const LocalPrinter& printer) {
    const ParkMark& mark = *printer.mark;
    std::vector<Holder> live = LiveHolders(mark.holders);
    const bool onThisPort = Names(mark.port, pass.device, pass.real);
    if (printer.port != kParkingPort || !onThisPort) {
        if (live.empty() && Recover(pass.spooler, printer, pass.failed, pass.report) &&
            onThisPort) {
            ParkOne(pass, printer.name, mark.port);
        }
        return;
    }
    if (std::find(live.begin(), live.end(), pass.me) != live.end()) {
        Record(printer.name, mark.port, Holding::Sure);
        return;
    }
    Record(printer.name, mark.port, Holding::None);
    const std::unique_ptr<SpoolerPrinter> opened =
        OpenForChange(pass.spooler, printer.name, pass.failed);
    live.push_back(pass.me);
    Record(printer.name, mark.port,
           Changed(pass, printer.name, opened && opened->SetHolders(live), opened != nullptr));
}

std::vector<UnrestoredPrinter> PrinterPorts::RestorePrinterPorts(std::chrono::milliseconds limit) {
    const PassLimits limits = LimitsFrom(limit, nullptr);
    std::unique_lock onePass(pass_, std::defer_lock);
    if (!onePass.try_lock_until(limits.deadline)) {
        return StillHeld();
    }
    std::vector<UnrestoredPrinter> unrestored;
    if (!held_.empty()) {
        const LockResult marksLock = TakeMarkLock(limits);
        const bool marks = marksLock.lock.has_value();
        spooler_->BeginPass(limits);
        RestorePass pass{marks};
        for (const auto& [name, port] : map_) {
            const auto held = held_.find(name);
            if (held == held_.end()) {
                continue;
            }
            if (std::optional<UnrestoredPrinter> note =
                    RestoreOne(pass, name, port, held->second)) {
                unrestored.push_back(std::move(*note));
            }
        }
    }
    std::lock_guard lock(state_);
    map_.clear();
    held_.clear();
    ports_.clear();
    return unrestored;
}

// What a restore that could not wait for a pass under way leaves: every printer held.
std::vector<UnrestoredPrinter> PrinterPorts::StillHeld() const {
    std::vector<UnrestoredPrinter> unrestored;
    std::lock_guard lock(state_);
    for (const auto& [name, port] : map_) {
        if (const auto held = held_.find(name); held != held_.end()) {
            unrestored.push_back({name, port, Unknown(held->second)});
        }
    }
    return unrestored;
}

RestoreFailure PrinterPorts::Unknown(Holding holding) {
    return holding == Holding::Maybe ? RestoreFailure::MaybeParked : RestoreFailure::UriNotSet;
}

// Lets go of one printer: gives it back when this run is its last live holder and it is still
// parked with the mark (or its give-back was cut short); else only drops this run from the
// holders. A printer this run only may have parked is left alone when it was not.
std::optional<UnrestoredPrinter> PrinterPorts::RestoreOne(RestorePass& pass,
                                                          const std::string& name,
                                                          const std::string& port,
                                                          Holding holding) {
    // What this run only may have parked and finds not parked needs no word.
    const auto noted = [&](RestoreFailure why) {
        return holding == Holding::Maybe && why != RestoreFailure::MaybeParked
                   ? std::nullopt
                   : std::optional(UnrestoredPrinter{name, port, why});
    };
    const std::unique_ptr<SpoolerPrinter> printer =
        pass.marks ? spooler_->OpenPrinter(name) : nullptr;
    if (!printer) {
        return noted(pass.marks && Answered(*spooler_) ? RestoreFailure::Removed
                                                       : Unknown(holding));
    }
    if (!pass.failed && !printer->Fetch()) {
        pass.failed = true;
    }
    if (pass.failed) {
        return noted(Unknown(holding));
    }
    const LocalPrinter& record = printer->Record();
    const Holder self = ThisProcess({});
    const auto mine = [&](const Holder& h) {
        return SameProcess(h, self) && ports_.contains(h.port);
    };
    if (!Marked(record) ||
        std::none_of(record.mark->holders.begin(), record.mark->holders.end(), mine)) {
        return noted(RestoreFailure::ChangedMeanwhile);
    }
    std::vector<Holder> others = LiveHolders(record.mark->holders);
    std::erase_if(others, mine);
    if (!others.empty()) {
        // Another run still uses the port: it gives the printer back when it ends, and so does
        // the next run if this holder could not be taken off.
        printer->SetHolders(others);
        return std::nullopt;
    }
    return GiveBack(*spooler_, *printer);
}

ReleaseReport RecoverPrinters(Spooler& spooler, const std::string& oldHostName) {
    ReleaseReport report;
    const PassLimits limits = LimitsFrom(kPassDeadline, nullptr);
    const LockResult marks = TakeMarkLock(limits);
    if (!marks.lock) {
        report.end = PassEnd::LockBusy;
        report.marksLock = marks.error;
        return report;
    }
    spooler.BeginPass(limits);
    bool failed = false;
    const auto ended = [&](const Holder& h) {
        return IsGone(h) || (!oldHostName.empty() && h.host == oldHostName);
    };
    for (const LocalPrinter& printer : spooler.ListLocalPrinters()) {
        if (Marked(printer) &&
            std::all_of(printer.mark->holders.begin(), printer.mark->holders.end(), ended)) {
            Recover(spooler, printer, failed, report);
        }
    }
    report.end = EndOf(spooler.State());
    return report;
}

PrinterListing ListParkedPrinters(Spooler& spooler, const std::string& portName) {
    spooler.BeginPass(LimitsFrom(kPassDeadline, nullptr));
    const std::string device = portName.empty() ? std::string() : PortDevicePath(portName);
    const std::string real = RealDevicePath(device);
    PrinterListing listing;
    for (LocalPrinter& printer : spooler.ListLocalPrinters()) {
        const bool shown = device.empty()
                               ? printer.mark.has_value()
                               : Names(printer.port, device, real) ||
                                     (printer.mark && Names(printer.mark->port, device, real));
        if (shown) {
            listing.printers.push_back(std::move(printer));
        }
    }
    listing.end = EndOf(spooler.State());
    return listing;
}

}  // namespace vemora
