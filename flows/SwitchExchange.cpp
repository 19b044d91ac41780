#include "flows/SwitchExchange.h"

namespace vemora {

namespace {
constexpr std::chrono::milliseconds kSettlePause{1000};
}

Outcome GetStatus(CSerialChannel& channel, const Pause& pause, Progress& progress,
                  SwitchImage& image) {
    progress.SetPosition(0);
    DisplayExchange exchange(channel, pause);
    if (!exchange.Request(CmdSelectDisplay)) {
        return Outcome::PortError;
    }
    exchange.ReadSelectReply();
    SwitchImage read = image;
    for (int bank = 1; bank <= kBankCount; ++bank) {
        progress.ReadingBank(bank);
        if (!exchange.Request(CmdSwitchQuery(bank))) {
            return Outcome::PortError;
        }
        if (!exchange.AwaitReply(kSyncReadLimit, [&] { progress.Step(); }).synced) {
            return Outcome::NoResponse;
        }
        exchange.ReadSwitchReply();
        if (!SwitchReplyComplete(exchange.Buffer())) {
            return Outcome::NoResponse;
        }
        read.LoadBankDigits(bank, SwitchReplyDigits(exchange.Buffer()));
        for (int cell = 1; cell <= 8; ++cell) {
            progress.Step();
        }
    }
    image = read;
    return Outcome::GotStatus;
}

Outcome EnterSetupMode(DisplayExchange& exchange) {
    if (!exchange.Send(CmdInitialize) || !exchange.Request(CmdSelectDisplay)) {
        return Outcome::PortError;
    }
    exchange.ReadSelectReply();
    if (!exchange.Request(CmdSetupEnter)) {
        return Outcome::PortError;
    }
    // A display that sent no sync byte did not answer. One that answers late may yet have entered
    // its setup mode: it is told to leave it.
    if (!exchange.AwaitReply(kSyncReadLimit).synced) {
        exchange.Send(CmdSetupExit);
        return Outcome::NoResponse;
    }
    exchange.ReadSetupReply();
    return Outcome::Done;
}

Outcome SetStatus(CSerialChannel& channel, const Pause& pause, Progress& progress,
                  const SwitchImage& image) {
    progress.SetPosition(0);
    progress.WritingBanks();
    DisplayExchange exchange(channel, pause);
    if (const Outcome entered = EnterSetupMode(exchange); entered != Outcome::Done) {
        return entered;
    }
    progress.Step();
    for (int bank = 1; bank <= kBankCount; ++bank) {
        if (!exchange.Send(CmdSwitchWrite(bank, image.FormatBankDigits(bank)))) {
            // Do not leave the display in its setup mode if the line still takes anything.
            exchange.Send(CmdSetupExit);
            return bank > 1 ? Outcome::PartlySet : Outcome::PortError;
        }
        if (bank < kBankCount) {
            progress.Step();
        }
    }
    if (!exchange.Send(CmdSetupExit)) {
        return Outcome::PartlySet;
    }
    for (int i = 0; i < 2; ++i) {
        progress.Step();
        exchange.Wait(kSettlePause);
        progress.Step();
    }
    return Outcome::SetStatus;
}

}  // namespace vemora
