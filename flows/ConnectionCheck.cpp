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

namespace {

// The ESC/POS display's answer to a second initialise, the select and the setup command: Connected
// when it is one of ours, left in its setup mode.
Outcome SetupHandshake(CSerialChannel& channel, DisplayExchange& exchange) {
    if (!exchange.Send(CmdInitialize) || !exchange.Request(CmdSelectDisplay)) {
        return Outcome::PortError;
    }
    exchange.ReadSelectReply();
    if (!exchange.Request(CmdSetupEnter)) {
        return Outcome::PortError;
    }
    // A display that sent no sync byte did not answer; only one that did can be of another make.
    // One that answers late may yet have entered its setup mode: it is told to leave it.
    if (!exchange.AwaitReply(kSyncReadLimit).synced) {
        SendWhole(channel, CmdSetupExit);
        return Outcome::NoResponse;
    }
    exchange.ReadSetupReply();
    return IsDisplayIdentity(exchange.Buffer()) ? Outcome::Connected : Outcome::WrongIdentity;
}

}  // namespace

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
    Outcome outcome = Outcome::Connected;
    if (!exchange.Send(CmdInitialize)) {
        outcome = Outcome::PortError;
    } else if (mode == EmulationMode::EscPos) {
        outcome = SetupHandshake(channel, exchange);
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
