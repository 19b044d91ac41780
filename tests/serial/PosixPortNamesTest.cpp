#include <gtest/gtest.h>

#include "serial/PortNames.h"

namespace vemora {
namespace {

TEST(PortNames, ResolveToDevicePathsAndBaseNames) {
    struct Case {
        const char* name;
        const char* device;
        const char* base;
    } cases[] = {
        {"COM1", "/dev/ttyS0", "COM1"},
        {"COM9", "/dev/ttyS8", "COM9"},
        {"\\\\.\\COM10", "/dev/ttyS9", "COM10"},
        {"\\\\.\\COM15", "/dev/ttyS14", "COM15"},
        {"\\\\.\\COM3", "/dev/ttyS2", "COM3"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0", "ttyUSB0"},
        {"/dev/pts/7", "/dev/pts/7", "7"},
        {"COM0", "COM0", "COM0"},
        {"COM", "COM", "COM"},
        {"COM1x", "COM1x", "COM1x"},
        {"com1", "com1", "com1"},
        {"COM01", "COM01", "COM01"},
        {"/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0",
         "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0", "usb-1a86_USB_Serial-if00-port0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PortDevicePath(c.name), c.device) << c.name;
        EXPECT_EQ(PortBaseName(c.name), c.base) << c.name;
    }
}

TEST(PortNames, FixedListIsInOrder) {
    EXPECT_EQ(kFixedPortNames.front(), "COM1");
    EXPECT_EQ(kFixedPortNames[8], "COM9");
    EXPECT_EQ(kFixedPortNames[9], "\\\\.\\COM10");
    EXPECT_EQ(kFixedPortNames.back(), "\\\\.\\COM15");
    for (std::size_t i = 0; i < kFixedPortNames.size(); ++i) {
        EXPECT_EQ(PortDevicePath(kFixedPortNames[i]), "/dev/ttyS" + std::to_string(i));
    }
}

}  // namespace
}  // namespace vemora
