#include "printers/PrinterPorts.h"

#include "serial/PortNames.h"

namespace vemora {
namespace {

// One printer's change within a pass. Once a record could not be fetched, `failed` stays set for
// the rest of the pass: later printers are still opened and closed, but not changed.
bool ChangePrinterPort(Spooler& spooler, const std::string& name, const std::string& port,
                       bool& failed) {
    const std::unique_ptr<SpoolerPrinter> printer = spooler.OpenPrinter(name);
    if (!printer) {
        return false;
    }
    if (!failed && !printer->Fetch()) {
        failed = true;
    }
    return !failed && printer->ChangePort(port);
}

}  // namespace

PrinterPorts::PrinterPorts(std::unique_ptr<Spooler> spooler) : spooler_(std::move(spooler)) {}

void PrinterPorts::ReleasePrinterPorts(const std::string& portName) {
    const std::string device = PortDevicePath(portName);
    if (device.empty()) {
        return;
    }
    bool failed = false;
    for (const LocalPrinter& printer : spooler_->ListLocalPrinters()) {
        if (!printer.restorable || printer.port.find(device) == std::string::npos) {
            continue;
        }
        map_[printer.name] = printer.port;
        ChangePrinterPort(*spooler_, printer.name, std::string(kParkingPort), failed);
    }
}

std::vector<UnrestoredPrinter> PrinterPorts::RestorePrinterPorts() {
    std::vector<UnrestoredPrinter> unrestored;
    bool failed = false;
    for (const auto& [name, port] : map_) {
        if (!ChangePrinterPort(*spooler_, name, port, failed)) {
            unrestored.push_back({name, port});
        }
    }
    map_.clear();
    return unrestored;
}

}  // namespace vemora
