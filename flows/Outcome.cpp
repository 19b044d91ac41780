#include "flows/Outcome.h"

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
    }
    return {"", MessageIcon::None};
}

bool IsSuccess(Outcome outcome) {
    return outcome == Outcome::Done || outcome == Outcome::Connected ||
           outcome == Outcome::GotStatus || outcome == Outcome::SetStatus ||
           outcome == Outcome::Unchanged || outcome == Outcome::Changed;
}

std::string DescribeOpenError(const OpenError& error) {
    const std::string device = error.device.empty() ? "the port" : error.device;
    switch (error.failure) {
        case OpenFailure::None:
            return {};
        case OpenFailure::NoSuchDevice:
            return device + ": no such serial port on this machine (" + error.detail + ").";
        case OpenFailure::PermissionDenied:
            return device +
                   ": permission denied. Join the group that owns the port (usually "
                   "dialout: sudo usermod -aG dialout $USER), then log in again.";
        case OpenFailure::Busy:
            return device + " is held by another program.";
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

std::string DescribeFileFailure(const FileResult& result, bool saving) {
    return std::string(saving ? "Could not save \"" : "Could not load \"") + result.path.string() +
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

}  // namespace vemora
