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

// The port string back, then the printer started again if it was; the step that failed.
std::optional<RestoreFailure> GiveBack(SpoolerPrinter& printer) {
    if (!printer.GiveBackPort()) {
        return RestoreFailure::UriNotSet;
    }
    if (!printer.Resume()) {
        return RestoreFailure::NotResumed;
    }
    return std::nullopt;
}

// Gives back a printer whose holders have all ended.
void Recover(Spooler& spooler, const LocalPrinter& printer, bool& failed, ReleaseReport& report) {
    const std::unique_ptr<SpoolerPrinter> opened = OpenForChange(spooler, printer.name, failed);
    const std::optional<RestoreFailure> failure =
        opened ? GiveBack(*opened) : RestoreFailure::UriNotSet;
    if (failure) {
        report.unrecovered.push_back({printer.name, printer.mark->port, *failure});
    } else {
        report.recovered.push_back(printer.name);
    }
}

bool Orphaned(const LocalPrinter& printer) {
    return printer.port == kParkingPort && printer.mark &&
           LiveHolders(printer.mark->holders).empty();
}

}  // namespace

bool LeftParked(const std::vector<UnrestoredPrinter>& printers) {
    return std::any_of(printers.begin(), printers.end(), [](const UnrestoredPrinter& p) {
        return p.why == RestoreFailure::UriNotSet || p.why == RestoreFailure::NotResumed;
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

void PrinterPorts::Record(const std::string& name, const std::string& port, bool held) {
    std::lock_guard lock(state_);
    map_[name] = port;
    if (held) {
        held_.insert(name);
    } else {
        held_.erase(name);
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
        if (spooler_->State() != SchedulerState::Answering) {
            break;
        }
        if (printer.port == kParkingPort && printer.mark) {
            JoinOrRecover(pass, printer);
        } else if (printer.restorable && Names(printer.port, device, real)) {
            ParkOne(pass, printer);
        }
    }
    pass.report.end = EndOf(spooler_->State());
    if (pass.report.end == PassEnd::Interrupted) {
        // The program is ending: a printer cut short is no news.
        pass.report.unparked.clear();
    }
    return pass.report;
}

void PrinterPorts::ParkOne(Pass& pass, const LocalPrinter& printer) {
    Record(printer.name, printer.port, false);
    const std::unique_ptr<SpoolerPrinter> opened =
        OpenForChange(pass.spooler, printer.name, pass.failed);
    if (!opened) {
        pass.Unparked(printer.name, ParkFailure::CannotOpen);
    } else if (opened->Park(pass.me)) {
        Record(printer.name, printer.port, true);
    } else {
        pass.Unparked(printer.name, ParkFailure::Refused);
    }
}

// A printer parked with a mark: when it was parked for this port, this run becomes one of its
// holders (alone, when the others have ended); when it was parked for another port by runs that
// have all ended, it gets its port back.
void PrinterPorts::JoinOrRecover(Pass& pass, const LocalPrinter& printer) {
    const ParkMark& mark = *printer.mark;
    std::vector<Holder> live = LiveHolders(mark.holders);
    if (!Names(mark.port, pass.device, pass.real)) {
        if (live.empty()) {
            Recover(pass.spooler, printer, pass.failed, pass.report);
        }
        return;
    }
    if (std::find(live.begin(), live.end(), pass.me) != live.end()) {
        Record(printer.name, mark.port, true);
        return;
    }
    Record(printer.name, mark.port, false);
    const std::unique_ptr<SpoolerPrinter> opened =
        OpenForChange(pass.spooler, printer.name, pass.failed);
    live.push_back(pass.me);
    if (!opened) {
        pass.Unparked(printer.name, ParkFailure::CannotOpen);
    } else if (opened->SetHolders(live)) {
        Record(printer.name, mark.port, true);
    } else {
        pass.Unparked(printer.name, ParkFailure::Refused);
    }
}

std::vector<UnrestoredPrinter> PrinterPorts::RestorePrinterPorts(std::chrono::milliseconds limit) {
    std::vector<UnrestoredPrinter> unrestored;
    const PassLimits limits = LimitsFrom(limit, nullptr);
    std::unique_lock onePass(pass_, std::defer_lock);
    if (!onePass.try_lock_until(limits.deadline)) {
        std::lock_guard lock(state_);
        for (const auto& [name, port] : map_) {
            if (held_.contains(name)) {
                unrestored.push_back({name, port});
            }
        }
        return unrestored;
    }
    if (!held_.empty()) {
        const LockResult marksLock = TakeMarkLock(limits);
        const bool marks = marksLock.lock.has_value();
        spooler_->BeginPass(limits);
        const Holder self = ThisProcess({});
        const auto mine = [&](const Holder& h) {
            return SameProcess(h, self) && ports_.contains(h.port);
        };
        bool failed = false;
        for (const auto& [name, port] : map_) {
            if (!held_.contains(name)) {
                continue;
            }
            const std::unique_ptr<SpoolerPrinter> printer =
                marks ? spooler_->OpenPrinter(name) : nullptr;
            if (!printer) {
                const bool removed = marks && spooler_->State() == SchedulerState::Answering;
                unrestored.push_back(
                    {name, port, removed ? RestoreFailure::Removed : RestoreFailure::UriNotSet});
                continue;
            }
            if (!failed && !printer->Fetch()) {
                failed = true;
            }
            if (failed) {
                unrestored.push_back({name, port});
                continue;
            }
            const LocalPrinter& record = printer->Record();
            if (record.port != kParkingPort || !record.mark ||
                std::none_of(record.mark->holders.begin(), record.mark->holders.end(), mine)) {
                unrestored.push_back({name, port, RestoreFailure::ChangedMeanwhile});
                continue;
            }
            std::vector<Holder> others = LiveHolders(record.mark->holders);
            std::erase_if(others, mine);
            if (!others.empty()) {
                // Another run still uses the port: it gives the printer back when it ends, and
                // so does the next run if this holder could not be taken off.
                printer->SetHolders(others);
            } else if (const std::optional<RestoreFailure> failure = GiveBack(*printer)) {
                unrestored.push_back({name, port, *failure});
            }
        }
    }
    std::lock_guard lock(state_);
    map_.clear();
    held_.clear();
    ports_.clear();
    return unrestored;
}

ReleaseReport RecoverPrinters(Spooler& spooler) {
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
    for (const LocalPrinter& printer : spooler.ListLocalPrinters()) {
        if (Orphaned(printer)) {
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
