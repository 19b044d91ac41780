#include "flows/ConnectionCheck.h"

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
                        const ReleasePrinters& releasePrinters, const Pause& pause) {
    releasePrinters(settings.portName);
    if (!channel.Configure(CheckPortConfig(settings))) {
        return Outcome::ConfigureRefused;
    }
    if (!channel.Open()) {
        return Outcome::OpenFailed;
    }
    DisplayExchange exchange(channel, pause);
    if (!exchange.Send(CmdInitialize)) {
        channel.Close();
        return Outcome::PortError;
    }
    if (mode != EmulationMode::EscPos) {
        return Outcome::Connected;
    }
    exchange.Send(CmdInitialize);
    exchange.Send(CmdSelectDisplay);
    exchange.ReadSelectReply();
    exchange.Send(CmdSetupEnter);
    // Ten reads without the sync byte still lead to the reply; the identity test decides.
    exchange.AwaitReply(kSyncReadLimit);
    exchange.ReadSetupReply();
    if (!IsDisplayIdentity(exchange.Buffer())) {
        channel.Close();
        return Outcome::WrongIdentity;
    }
    return Outcome::Connected;
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
