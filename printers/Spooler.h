#pragma once
// What the printer port release and restore need of the local print spooler.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vemora {

// The port a released printer is parked on while this program may use its serial port.
inline constexpr std::string_view kParkingPort = "FILE:";

struct LocalPrinter {
    std::string name;
    std::string port;  // the whole port string, e.g. "serial:/dev/ttyS0?baud=9600"
    // False when the spooler shows only part of the port string (it hides credentials), so that
    // giving the shown string back would lose the rest; such a printer is never parked.
    bool restorable = true;
};

// One printer opened for a change of its port; destroying it closes it.
class SpoolerPrinter {
  public:
    virtual ~SpoolerPrinter() = default;

    // Reads the printer's current record; false when it cannot be read.
    virtual bool Fetch() = 0;
    // Stores the fetched record with this port string; false when the spooler refuses.
    virtual bool ChangePort(const std::string& port) = 0;
};

class Spooler {
  public:
    virtual ~Spooler() = default;

    // The printers of this machine, in the spooler's order; empty when it cannot be asked.
    virtual std::vector<LocalPrinter> ListLocalPrinters() = 0;
    // Null when the printer cannot be opened: it no longer exists, or access is refused.
    virtual std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::string& name) = 0;
};

}  // namespace vemora
