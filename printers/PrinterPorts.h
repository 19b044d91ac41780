#pragma once
// Keeps local printers off the serial port while this program may use it: each printer whose port
// string names the chosen port is parked on "FILE:" and its port string recorded; at the end every
// recorded printer gets its port string back.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "printers/Spooler.h"

namespace vemora {

// Printer name -> the port string it had before it was parked; restored in this order.
using PrinterPortMap = std::map<std::string, std::string>;

struct UnrestoredPrinter {
    std::string name;
    std::string port;  // the port string it should have again

    bool operator==(const UnrestoredPrinter&) const = default;
};

class PrinterPorts {
  public:
    explicit PrinterPorts(std::unique_ptr<Spooler> spooler);

    // Parks the printers whose port string contains the device path of portName (as the user
    // picked it: "COM1", "\\.\COM10", "/dev/ttyUSB0"), case-sensitively. Each is recorded before
    // it is opened, so a printer that cannot be changed is recorded all the same; a later record
    // of the same printer replaces the earlier one. Called before every attempt to open the port.
    void ReleasePrinterPorts(const std::string& portName);
    // Gives every recorded printer its port string back and empties the map. Returns the printers
    // that did not get it back, so that the operator can mend them by hand.
    std::vector<UnrestoredPrinter> RestorePrinterPorts();

    bool IsEmpty() const { return map_.empty(); }
    const PrinterPortMap& Map() const { return map_; }

  private:
    std::unique_ptr<Spooler> spooler_;
    PrinterPortMap map_;
};

}  // namespace vemora
