// Port names on Windows: any COM number in both forms; CreateFileA always gets the device-namespace
// form, printers and locks the plain COM name.

#include <gtest/gtest.h>

#include "serial/PortNames.h"
#include "serial/Win32SerialDevice.h"

namespace vemora {
namespace {

TEST(Win32PortNames, ResolveToComNamesAndDevicePaths) {
    struct Case {
        const char* name;
        const char* printerName;  // what a printer's port string must hold
        const char* device;       // what CreateFileA opens
        const char* base;
    } cases[] = {
        {"COM1", "COM1", "\\\\.\\COM1", "COM1"},
        {"\\\\.\\COM3", "COM3", "\\\\.\\COM3", "COM3"},
        {"\\\\.\\COM10", "COM10", "\\\\.\\COM10", "COM10"},
        {"COM16", "COM16", "\\\\.\\COM16", "COM16"},
        {"\\\\.\\COM60", "COM60", "\\\\.\\COM60", "COM60"},
        {"COM256", "COM256", "\\\\.\\COM256", "COM256"},
        {"COM0", "COM0", "\\\\.\\COM0", "COM0"},
        {"COM01", "COM01", "\\\\.\\COM01", "COM01"},
        {"com1", "com1", "\\\\.\\com1", "com1"},
        {"\\\\.\\CNCA0", "\\\\.\\CNCA0", "\\\\.\\CNCA0", "CNCA0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PortDevicePath(c.name), c.printerName) << c.name;
        EXPECT_EQ(Win32DevicePath(c.name), c.device) << c.name;
        EXPECT_EQ(PortBaseName(c.name), c.base) << c.name;
    }
}

}  // namespace
}  // namespace vemora
