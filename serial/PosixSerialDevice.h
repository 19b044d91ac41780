#pragma once
// This machine's serial port: termios for the line settings, ioctl for the modem lines, poll for
// the read and write time limits.

#include <termios.h>

#include <chrono>
#include <functional>

#include "serial/FileHandle.h"
#include "serial/SerialDevice.h"

namespace vemora {

// Reads (TIOCMGET) or changes (TIOCMBIS, TIOCMBIC) the modem lines of an open port the way ioctl
// does: 0 on success, -1 with errno set. Tests put a display's lines in place of the port's.
using ModemLineControl = std::function<int(int fd, unsigned long request, int* lines)>;

class PosixSerialDevice final : public SerialDevice {
  public:
    PosixSerialDevice();
    explicit PosixSerialDevice(ModemLineControl modemLines);
    ~PosixSerialDevice() override;

    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

    OpenError Open(const PortConfig& config) override;
    std::uint32_t Write(const Byte* data, std::uint32_t count) override;
    std::uint32_t Read(Byte* data, std::uint32_t count) override;
    void PurgeInput() override;
    void Close() override;

  private:
    OpenError SetUpLine(const PortConfig& config);
    // The steps of SetUpLine: the port for this program alone, the line settings (checked to
    // hold), then DTR and RTS driven and DSR required.
    OpenError TakeExclusively();
    OpenError ApplyLineSettings(const PortConfig& config);
    OpenError RaiseLines(const PortConfig& config);
    // Raises (TIOCMBIS) or drops (TIOCMBIC) one line; a port without modem lines takes it as done.
    bool DriveLine(unsigned long request, int line);
    // The modem status bits; a port without modem lines has DSR and CTS on. -1 when it fails.
    int ModemStatus();
    // Waits until the display holds CTS and DSR on; false when the deadline passes first.
    bool WaitForHandshake(std::chrono::steady_clock::time_point deadline);
    // Puts back the line settings found at open once the bytes still queued have gone out.
    void RestoreLine();

    ModemLineControl modemLines_;
    PortConfig config_;
    FileHandle fd_;
    bool exclusive_ = false;  // TIOCEXCL was set by this device
    termios found_{};         // the line settings at open, put back at close
    bool changedLine_ = false;
};

}  // namespace vemora
