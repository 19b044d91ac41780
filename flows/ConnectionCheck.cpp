#include "flows/ConnectionCheck.h"

#include <utility>

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
    if (!exchange.Send(CmdInitialize)) {
        channel.Close();
        return Outcome::PortError;
    }
    if (mode != EmulationMode::EscPos) {
        return Outcome::Connected;
    }
    if (!exchange.Send(CmdInitialize) || !exchange.Request(CmdSelectDisplay)) {
        channel.Close();
        return Outcome::PortError;
    }
    exchange.ReadSelectReply();
    if (!exchange.Request(CmdSetupEnter)) {
        channel.Close();
        return Outcome::PortError;
    }
    // A display that sent no sync byte did not answer; only one that did can be of another make.
    // One that answers late may yet have entered its setup mode: it is told to leave it.
    if (!exchange.AwaitReply(kSyncReadLimit).synced) {
        SendWhole(channel, CmdSetupExit);
        channel.Close();
        return Outcome::NoResponse;
    }
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
