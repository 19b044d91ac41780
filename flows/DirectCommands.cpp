#include "flows/DirectCommands.h"

#include "protocol/Exchange.h"
#include "switches/SettingLists.h"

namespace vemora {

Outcome SendDirectSettings(CSerialChannel& channel, int codeTableIndex, int characterSetIndex) {
    const bool whole =
        SendWhole(channel, CmdDirectCharset(static_cast<Byte>(characterSetIndex))) &&
        SendWhole(channel, CmdDirectCodeTable(static_cast<Byte>(CodeTableNumber(codeTableIndex))));
    return whole ? Outcome::Done : Outcome::PortError;
}

Outcome ShowInformation(CSerialChannel& channel) {
    return SendWhole(channel, CmdDirectInfo) ? Outcome::Done : Outcome::PortError;
}

}  // namespace vemora
