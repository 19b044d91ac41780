#pragma once
// This machine's serial port on Windows: a COM device through the Win32 comm calls.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "serial/SerialDevice.h"

namespace vemora {

// Reads the modem status lines the way GetCommModemStatus does. Tests put a display's lines in
// place of the port's.
using ModemStatusQuery = std::function<BOOL(HANDLE port, DWORD* lines)>;

// What CreateFileA gets: "\\.\COMn" for COMn and \\.\COMn (a bare name opens only up to COM9),
// the device-namespace prefix added to any other name that lacks it.
std::string Win32DevicePath(std::string_view portName);

class Win32SerialDevice final : public SerialDevice {
  public:
    Win32SerialDevice();
    explicit Win32SerialDevice(ModemStatusQuery modemStatus);
    ~Win32SerialDevice() override;

    Win32SerialDevice(const Win32SerialDevice&) = delete;
    Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

    OpenError Open(const PortConfig& config) override;
    std::uint32_t Write(const Byte* data, std::uint32_t count) override;
    std::uint32_t Read(Byte* data, std::uint32_t count) override;
    void PurgeInput() override;
    void Close() override;

  private:
    OpenError SetUpLine(const PortConfig& config);
    // Gives a write no longer than the stored write time-outs allow, or, when they set no limit,
    // 1 s plus the line time of its bytes: the driver holds output back while CTS or DSR is off.
    void LimitWrite(std::uint32_t count);

    ModemStatusQuery modemStatus_;
    PortConfig config_;
    HANDLE port_ = INVALID_HANDLE_VALUE;
    DWORD writeLimit_ = 0;  // the WriteTotalTimeoutConstant the port runs now, in ms
};

}  // namespace vemora
