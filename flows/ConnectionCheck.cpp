#include "flows/ConnectionCheck.h"

#include <utility>

#include "flows/SwitchExchange.h"

namespace vemora {

PortConfig CheckPortConfig(const LineSettings& settings) {
    PortConfig config;
    config.portName = settings.portName;
    config.baudRate = settings.baudRate;
    config.dataBits = settings.dataBits;
    config.stopBits = settings.stopBits;
    config.parity = settings.parity;
    config.flowControl = 0;
    config.timeouts = CommTimeouts{10, 10, 10, 0, 0};
    return config;
}

Outcome CheckConnection(CSerialChannel& channel, const LineSettings& settings, EmulationMode mode,
                        const ReleasePrinters& releasePrinters, const Pause& pause,
                        IdentityBytes* identity) {
    if (OpenError held = releasePrinters(settings.portName); held.failure != OpenFailure::None) {
        channel.NoteOpenFailure(std::move(held));
        return Outcome::OpenFailed;
    }
    if (!channel.Configure(CheckPortConfig(settings))) {
        return Outcome::ConfigureRefused;
    }
    if (!channel.Open()) {
        return Outcome::OpenFailed;
    }
    DisplayExchange exchange(channel, pause);
    Outcome outcome = Outcome::Connected;
    if (!exchange.Send(CmdInitialize)) {
        outcome = Outcome::PortError;
    } else if (mode == EmulationMode::EscPos) {
        // Only a display that answered the setup command can be of another make.
        outcome = EnterSetupMode(exchange);
        if (outcome == Outcome::Done && identity != nullptr) {
            identity->assign(exchange.Buffer().begin(),
                             exchange.Buffer().begin() + kSetupReplySize);
        }
        if (outcome == Outcome::Done) {
            outcome =
                IsDisplayIdentity(exchange.Buffer()) ? Outcome::Connected : Outcome::WrongIdentity;
        }
    }
    if (outcome != Outcome::Connected) {
        channel.Close();
    }
    return outcome;
}

void FinishConnectionCheck(CSerialChannel& channel, EmulationMode mode) {
    if (mode == EmulationMode::EscPos) {
        SendWhole(channel, CmdSetupExit);
    }
}

Outcome RunSelfTest(CSerialChannel& channel, EmulationMode mode) {
    const bool whole = mode == EmulationMode::EscPos ? SendWhole(channel, CmdSelfTest)
                                                     : SendWhole(channel, CmdDirectInfo);
    return whole ? Outcome::Done : Outcome::PortError;
}

}  // namespace vemora
