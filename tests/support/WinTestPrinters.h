#pragma once
// Printers in the local spooler for tests on Windows (wine's own spooler: CUPS kept out).

#include <windows.h>
#include <winspool.h>
// The A calls are named in full; the macro would rename Spooler::OpenPrinter.
#undef OpenPrinter

#include <string>

namespace vemora::test {

// True when the printer was added; it prints nowhere (wine's PostScript driver).
inline bool AddTestPrinter(const std::string& name, const std::string& port) {
    static char kDriver[] = "Vemora Test Driver";
    static char kDriverFile[] = "wineps.drv";
    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = kDriver;
    driver.pDriverPath = driver.pDataFile = driver.pConfigFile = kDriverFile;
    AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver));
    PRINTER_INFO_2A info{};
    info.pPrinterName = const_cast<char*>(name.c_str());
    info.pPortName = const_cast<char*>(port.c_str());
    info.pDriverName = kDriver;
    info.pPrintProcessor = const_cast<char*>("WinPrint");
    info.pDatatype = const_cast<char*>("RAW");
    const HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (printer == nullptr) {
        return false;
    }
    ClosePrinter(printer);
    return true;
}

inline void RemoveTestPrinter(const std::string& name) {
    PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (OpenPrinterA(const_cast<char*>(name.c_str()), &printer, &all)) {
        DeletePrinter(printer);
        ClosePrinter(printer);
    }
}

}  // namespace vemora::test
