// vemora-test-printer: printers in the local spooler for the end-to-end tests of vemora-cli.exe.
// Usage: vemora-test-printer add NAME PORT | port NAME | remove NAME

#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

#include "support/WinTestPrinters.h"

namespace {

using namespace vemora::test;

int Port(char* name) {
    PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterA(name, &printer, &all)) {
        std::fprintf(stderr, "no printer %s\n", name);
        return 1;
    }
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::string record(needed, '\0');
    if (GetPrinterA(printer, 2, reinterpret_cast<BYTE*>(record.data()), needed, &needed)) {
        std::printf("%s\n", reinterpret_cast<PRINTER_INFO_2A*>(record.data())->pPortName);
    }
    ClosePrinter(printer);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (argc == 4 && command == "add") {
        return AddTestPrinter(argv[2], argv[3]) ? 0 : 1;
    }
    if (argc == 3 && command == "port") {
        return Port(argv[2]);
    }
    if (argc == 3 && command == "remove") {
        RemoveTestPrinter(argv[2]);
        return 0;
    }
    std::fprintf(stderr, "Usage: vemora-test-printer add NAME PORT | port NAME | remove NAME\n");
    return 2;
}
