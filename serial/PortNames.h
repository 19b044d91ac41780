#pragma once
// The port names a user chooses and the devices they stand for on this machine.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vemora {

// The fifteen fixed names of the Port list, in their order.
inline constexpr std::array<std::string_view, 15> kFixedPortNames{
    "COM1",         "COM2",         "COM3",         "COM4",         "COM5",
    "COM6",         "COM7",         "COM8",         "COM9",         "\\\\.\\COM10",
    "\\\\.\\COM11", "\\\\.\\COM12", "\\\\.\\COM13", "\\\\.\\COM14", "\\\\.\\COM15"};

// The port names this system takes, as help (kPortNameForms) and a refusal (kPortNameHint) say.
extern const std::string_view kPortNameForms;
extern const std::string_view kPortNameHint;

// True for a name this system takes: on Linux a fixed name or a device path (beginning with "/"),
// on Windows COMn or \\.\COMn for any n.
bool IsPortName(std::string_view portName);

// The n of "COMn" or "\\.\COMn" (n from 1, written without leading zeros); nothing for any other
// name.
std::optional<unsigned> ComPortNumber(std::string_view portName);

// What the port is called where printers and locks name it. On Linux its device path: "COMn" and
// "\\.\COMn" are /dev/ttyS(n-1), a name that begins with "/" is a device path used as it is. On
// Windows "COMn", without the device-namespace prefix, as printer port strings ("COM10:") write
// it. Anything else is returned unchanged (and will not open).
std::string PortDevicePath(std::string_view portName);

// A port's short name, for files and lines that say which port they are about: "COMn" for COMn
// and \\.\COMn, else the device file's name ("ttyUSB0", a by-id link's name).
std::string PortBaseName(std::string_view portName);

}  // namespace vemora
