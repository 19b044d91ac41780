#pragma once
// What the printer port release and restore need of the local print spooler.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "printers/Holder.h"
#include "printers/PassLimits.h"

namespace vemora {

// The port a released printer is parked on while this program may use its serial port.
inline constexpr std::string_view kParkingPort = "FILE:";

// What a parked printer carries in the spooler itself, so that it outlives the run that parked
// it: how the printer was, and who holds it parked.
struct ParkMark {
    std::string port;  // the port string before it was parked
    bool started = true;
    std::string message;  // its state message before it was parked
    std::vector<Holder> holders;
    std::int64_t since = 0;  // when it was parked, in seconds since the epoch; 0: not known
    // The spooler refused to pause it (started) while it was parked: it could print into the
    // parking port.
    bool pauseRefused = false;

    bool operator==(const ParkMark&) const = default;
};

struct LocalPrinter {
    std::string name;
    std::string port;  // the whole port string, e.g. "serial:/dev/ttyS0?baud=9600"
    // False when the spooler shows only part of the port string (it hides credentials), so that
    // giving the shown string back would lose the rest; such a printer is never parked.
    bool restorable = true;
    bool stopped = false;
    std::string message{};
    std::optional<ParkMark> mark{};
};

// How the scheduler has answered so far in a pass. Once it is anything but Answering, every
// later request of the pass fails at once.
enum class SchedulerState { Answering, NotRunning, NoAnswer, Interrupted };

// One printer opened for a change; destroying it closes it.
class SpoolerPrinter {
  public:
    virtual ~SpoolerPrinter() = default;

    // Reads the printer's current record; false when it cannot be read.
    virtual bool Fetch() = 0;
    // The record that Fetch read.
    virtual const LocalPrinter& Record() const = 0;
    // In one change: the parking port, stopped, a state message that says why, and the mark
    // (the fetched port and state, held by `holder`). False when the spooler refuses.
    virtual bool Park(const Holder& holder) = 0;
    // Changes only the holders of the fetched mark.
    virtual bool SetHolders(const std::vector<Holder>& holders) = 0;
    // In one change: the fetched mark's port, started or stopped as the mark says, with the
    // mark's message; the mark removed.
    virtual bool GiveBackPort() = 0;
    // When the mark says the printer was started: starts its waiting jobs now, keeping the
    // mark's message.
    virtual bool Resume() = 0;
    // The jobs of the printer that were printed in full at or after `since` (seconds since the
    // epoch); empty when they cannot be read.
    virtual std::vector<int> JobsPrintedSince(std::int64_t since) = 0;
};

class Spooler {
  public:
    virtual ~Spooler() = default;

    // Starts a pass: its requests are bounded by `limits`, and the state is Answering again.
    virtual void BeginPass(const PassLimits& limits) = 0;
    virtual SchedulerState State() const = 0;
    // The printers of this machine, in the spooler's order; empty when it cannot be asked.
    virtual std::vector<LocalPrinter> ListLocalPrinters() = 0;
    // Null when the printer cannot be opened: it no longer exists, or access is refused.
    virtual std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::string& name) = 0;
};

// This machine's spooler: CUPS on Linux, the Windows spooler on Windows.
std::unique_ptr<Spooler> MakeSystemSpooler();

}  // namespace vemora
