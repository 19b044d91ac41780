#pragma once
// What the channel needs of a serial device; the POSIX port and the in-memory wire provide it.

#include <cstdint>
#include <memory>
#include <string>

#include "serial/PortConfig.h"

namespace vemora {

using Byte = std::uint8_t;

enum class OpenFailure {
    None,
    NoSuchDevice,
    PermissionDenied,
    Busy,             // another program holds the port
    NotATerminal,     // a file, a folder or a device such as /dev/null: no serial line
    SettingsRefused,  // the device did not take the line settings
    DsrOff,           // no display attached or powered
    Other,
};

// Who may open a device, for the advice on a refused open.
struct DeviceAccess {
    std::string owner;
    std::string group;
    unsigned mode = 0;     // the permission bits, e.g. 0660
    std::string user;      // who this program runs as
    bool inGroup = false;  // whether that user is in the device's group already

    bool operator==(const DeviceAccess&) const = default;
};

struct OpenError {
    OpenFailure failure = OpenFailure::None;
    std::string device;        // the device path that was tried
    std::string detail;        // the system's words, e.g. "Permission denied"
    DeviceAccess access = {};  // PermissionDenied: the device's owner, group and mode, when known
};

class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // Opens the port exclusively and sets up the line: the settings, DTR on, RTS off (on with
    // flow control), DSR required, both queues emptied. On failure nothing stays open.
    virtual OpenError Open(const PortConfig& config) = 0;
    // Sends while CTS and DSR are on; gives up after 1 s plus the line time of the bytes and
    // returns the count moved so far.
    virtual std::uint32_t Write(const Byte* data, std::uint32_t count) = 0;
    // Reads under the read time-outs of the config given to Open; returns what came.
    virtual std::uint32_t Read(Byte* data, std::uint32_t count) = 0;
    // Drops the bytes that arrived and wait to be read; output still queued goes out.
    virtual void PurgeInput() = 0;
    virtual void Close() = 0;
};

// This machine's serial port.
std::unique_ptr<SerialDevice> MakeSystemSerialDevice();

}  // namespace vemora
