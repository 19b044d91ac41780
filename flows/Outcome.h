#pragma once
// What a flow with the display or a status file ended in, and the one place that turns it into
// the words the operator reads.

#include <string>
#include <string_view>

#include <vector>

#include "printers/PrinterPorts.h"
#include "serial/SerialDevice.h"
#include "switches/StatusFile.h"

namespace vemora {

enum class Outcome {
    Done,  // a command that nothing is read back for went out whole
    Connected,
    ConfigureRefused,  // no port name
    OpenFailed,
    PortError,      // a write did not go out whole
    PartlySet,      // a Set Status stopped by a port error after a bank write went out
    WrongIdentity,  // the setup reply is not that of our display
    NoResponse,     // no sync byte, or a switch reply came short
    GotStatus,
    SetStatus,
    WrongFormat,  // a status file name or size that is not one
    FileFailed,   // a status file that could not be read or written
    Unchanged,    // the display already held the wanted switches: nothing was written
    Changed,      // the switches were written and read back as sent
    NotHeld,      // the switches read back after a write differ from what was sent
    WouldChange,  // a dry run found switches to write, and wrote nothing
};

enum class MessageIcon { None, Information, Exclamation };

struct Message {
    std::string_view text;
    MessageIcon icon;
    std::string_view detail = {};  // a second line: what the failure left behind
};

// The fixed message of an outcome; Done and FileFailed have none (empty text).
Message MessageFor(Outcome outcome);

bool IsSuccess(Outcome outcome);

// Why the port did not open, in a user's words, with what to do about it.
std::string DescribeOpenError(const OpenError& error);

// Why a lock file could not be had: its holder, or what is wrong with the file and the command
// that removes it. Empty for LockFailure::None.
std::string DescribeLockError(const LockError& error);

// A port whose lock could not be taken, as a failure to open it: Busy when another program holds
// the lock.
OpenError PortLockRefusal(const std::string& portName, const LockError& error);

// A status file that could not be read or written: the file and the system's reason.
std::string DescribeFileFailure(const FileResult& result, bool saving);

// The outcome of a status file operation.
Outcome FileOutcomeOf(const FileResult& result);

// What a release of the printers has to say before the port is used, one line each: printers
// that could not be parked, a scheduler that did not answer, printers that ended runs had left
// parked. Empty when there is nothing to say (also when no scheduler runs).
std::vector<std::string> DescribeRelease(const ReleaseReport& report);

// A printer that did not get its port back: what failed and the command that mends it.
std::string DescribeUnrestored(const UnrestoredPrinter& printer);

inline constexpr std::string_view kNoScheduler = "No printer scheduler is running.";
// What vemora-cli says once the self test, or the command to show the information, went out.
inline constexpr std::string_view kSelfTestSent = "The self test was sent to the display.";
inline constexpr std::string_view kInformationSent =
    "The display was told to show its information.";
// Heads the lines of DescribeRelease in the dialog.
inline constexpr std::string_view kPrinterWarning = "The printers that use this port:";
// Heads the lines of DescribeUnrestored in the dialog.
inline constexpr std::string_view kUnrestoredHeading = "Not every printer got its port back:";
// The same when each got its port back, but one may have printed into the parking port.
inline constexpr std::string_view kRestoredWithWarningHeading =
    "Every printer got its port back, but:";

// One line of `vemora-cli printers`: the printer, its port string and state, and its mark.
std::string DescribePrinter(const LocalPrinter& printer);

}  // namespace vemora
