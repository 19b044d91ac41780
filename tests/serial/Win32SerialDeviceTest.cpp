// The Windows serial device on COM60, which the test run maps to a silent pseudo-terminal
// (tests/support/wine-com-port). Never COM1-COM4: wine gives COM1 the machine's console.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <vector>

#include "serial/SerialChannel.h"
#include "serial/Win32SerialDevice.h"

namespace vemora {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kPort = "COM60";

PortConfig LineTo(const char* port) {
    PortConfig config;
    config.portName = port;
    return config;
}

// The line settings the port keeps, read through a handle of its own.
DCB SettingsOf(const char* port) {
    DCB line{};
    line.DCBlength = sizeof line;
    const HANDLE handle = CreateFileA(Win32DevicePath(port).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(GetCommState(handle, &line));
    CloseHandle(handle);
    return line;
}

TEST(Win32SerialDevice, SetsTheChosenLineSettings) {
    // A pseudo-terminal runs 8 bits without parity whatever it is told: size and parity do not
    // read back.
    struct Case {
        const char* port;
        std::uint32_t baud;
        std::int32_t stopBits, flowControl;
    } cases[] = {
        {"COM60", 9600, 0, 0},
        {"\\\\.\\COM60", 19200, 2, 0},
        {"COM60", 57600, 0, 1},
        {"\\\\.\\COM60", 115200, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        PortConfig config = LineTo(c.port);
        config.baudRate = c.baud;
        config.stopBits = c.stopBits;
        config.flowControl = c.flowControl;
        {
            CSerialChannel channel(std::make_unique<Win32SerialDevice>());
            ASSERT_TRUE(channel.Configure(config));
            ASSERT_TRUE(channel.Open()) << channel.LastOpenError().detail;
        }
        const DCB line = SettingsOf(c.port);
        EXPECT_EQ(line.BaudRate, c.baud);
        EXPECT_EQ(line.StopBits, c.stopBits);
        EXPECT_EQ(line.fOutxCtsFlow, 1u);
        EXPECT_EQ(line.fOutX, c.flowControl != 0 ? 1u : 0u);
        EXPECT_EQ(line.fInX, c.flowControl != 0 ? 1u : 0u);
    }
}

TEST(Win32SerialDevice, SilentReadEndsAtTheTotalTimeOut) {
    CSerialChannel channel(std::make_unique<Win32SerialDevice>());
    ASSERT_TRUE(channel.Configure(LineTo(kPort)));
    ASSERT_TRUE(channel.Open()) << channel.LastOpenError().detail;
    // 10 ms x count + 10 ms: 20, 40 and 120 ms.
    const std::pair<std::uint32_t, std::chrono::milliseconds> cases[] = {
        {1, 20ms}, {3, 40ms}, {11, 120ms}};
    for (const auto& [count, total] : cases) {
        Byte buffer[11] = {};
        const auto start = Clock::now();
        EXPECT_EQ(channel.Read(buffer, count), 0u);
        const auto took = Clock::now() - start;
        EXPECT_GE(took, total - 5ms) << count;
        EXPECT_LT(took, total + 500ms) << count;
    }
}

TEST(Win32SerialDevice, OpenNeedsDsrAndTakesAPortWithoutModemLinesAsOn) {
    struct Case {
        BOOL answered;
        DWORD lines;  // when answered, else the error
        OpenFailure failure;
    } cases[] = {
        {TRUE, MS_DSR_ON | MS_CTS_ON, OpenFailure::None},
        {TRUE, MS_DSR_ON, OpenFailure::None},
        {TRUE, MS_CTS_ON, OpenFailure::DsrOff},
        {TRUE, 0, OpenFailure::DsrOff},
        {FALSE, ERROR_NOT_SUPPORTED, OpenFailure::None},
        {FALSE, ERROR_GEN_FAILURE, OpenFailure::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        CSerialChannel channel(std::make_unique<Win32SerialDevice>([&](HANDLE, DWORD* lines) {
            if (c.answered) {
                *lines = c.lines;
            } else {
                SetLastError(c.lines);
            }
            return c.answered;
        }));
        ASSERT_TRUE(channel.Configure(LineTo(kPort)));
        EXPECT_EQ(channel.Open(), c.failure == OpenFailure::None);
        EXPECT_EQ(channel.LastOpenError().failure, c.failure);
    }
    // A failed open leaves the port free.
    CSerialChannel real(std::make_unique<Win32SerialDevice>());
    ASSERT_TRUE(real.Configure(LineTo(kPort)));
    EXPECT_TRUE(real.Open()) << real.LastOpenError().detail;
}

TEST(Win32SerialDevice, OpenTellsWhyItFailedInTheSystemsWords) {
    for (const char* port : {"COM59", "\\\\.\\COM59"}) {
        CSerialChannel channel(std::make_unique<Win32SerialDevice>());
        ASSERT_TRUE(channel.Configure(LineTo(port)));
        EXPECT_FALSE(channel.Open());
        const OpenError& error = channel.LastOpenError();
        EXPECT_EQ(error.failure, OpenFailure::NoSuchDevice) << port;
        EXPECT_EQ(error.device, "\\\\.\\COM59");
        EXPECT_FALSE(error.detail.empty());
        EXPECT_NE(error.detail.back(), '.');
    }
}

}  // namespace
}  // namespace vemora
