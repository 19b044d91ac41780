#pragma once
// The direct settings of a display in the other emulation modes.

#include "flows/Outcome.h"
#include "serial/SerialChannel.h"

namespace vemora {

// Sends the character set (its list index), then the code table (the number of its list index;
// 0 for an index outside the list). Done, or PortError when a command did not go out whole.
Outcome SendDirectSettings(CSerialChannel& channel, int codeTableIndex, int characterSetIndex);

// Makes the display show its information.
Outcome ShowInformation(CSerialChannel& channel);

}  // namespace vemora
