#pragma once
// The connection check and the self test, shared by the connection dialog and vemora-cli.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "flows/Outcome.h"
#include "protocol/Exchange.h"
#include "serial/SerialChannel.h"

namespace vemora {

// Index of the "Emulation Mode Selection" list.
enum class EmulationMode { EscPos = 0, Korvant = 1, Others = 2 };

// The settings captured from the connection dialog's lists (or the command line).
struct LineSettings {
    std::string portName = "COM1";
    std::uint32_t baudRate = 9600;
    std::int32_t dataBits = 8;
    std::int32_t parity = 0;    // 0 none, 1 odd, 2 even
    std::int32_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
};

// The port settings of a check: no XON/XOFF and read time-outs of 10, 10, 10 ms.
PortConfig CheckPortConfig(const LineSettings& settings);

// Gives the printers that use a port their port up; called before every open. A failure (another
// program holds the port) ends the check before anything is opened.
using ReleasePrinters = std::function<OpenError(const std::string& portName)>;

// The setup reply of a check in the ESC/POS emulation: a display of ours begins it 0x23 0x1F.
using IdentityBytes = std::vector<Byte>;

// Runs the check up to its message: release the printers, configure, open, initialise and, in the
// ESC/POS emulation, the setup handshake. A failure after the open closes the channel. On
// Connected in the ESC/POS emulation the display is left in its setup mode until
// FinishConnectionCheck, so that "Connected." is shown first. `identity` gets the setup reply
// when one was read.
Outcome CheckConnection(CSerialChannel& channel, const LineSettings& settings, EmulationMode mode,
                        const ReleasePrinters& releasePrinters, const Pause& pause,
                        IdentityBytes* identity = nullptr);

// Takes the display out of its setup mode after a successful check (ESC/POS only).
void FinishConnectionCheck(CSerialChannel& channel, EmulationMode mode);

// Makes the display show its self test (ESC/POS) or its information (other modes).
Outcome RunSelfTest(CSerialChannel& channel, EmulationMode mode);

}  // namespace vemora
