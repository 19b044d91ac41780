#pragma once
// One exchange with the display over the channel: commands written whole, replies read into the
// exchange's own buffer after the fixed pauses.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "protocol/DisplayCommands.h"
#include "serial/SerialChannel.h"

namespace vemora {

// Waits the given time: a real sleep in the programs, virtual time in the tests.
using Pause = std::function<void(std::chrono::milliseconds)>;

// Between a command that is answered and the first read of its answer.
inline constexpr std::chrono::milliseconds kReplyPause{300};
// Single-byte reads a sync wait makes at most before it gives up.
inline constexpr int kSyncReadLimit = 10;

// Writes a command in one transfer of its exact length; true when it went out whole.
template <std::size_t N>
bool SendWhole(CSerialChannel& channel, const std::array<Byte, N>& command) {
    return channel.Write(command.data(), N) == N;
}

class DisplayExchange {
  public:
    DisplayExchange(CSerialChannel& channel, Pause pause)
        : channel_(channel), pause_(std::move(pause)) {}

    template <std::size_t N>
    bool Send(const std::array<Byte, N>& command) {
        return SendWhole(channel_, command);
    }
    // A command that is answered: what arrived before it is dropped first, so that a late answer
    // to an earlier command is not read as its reply.
    template <std::size_t N>
    bool Request(const std::array<Byte, N>& command) {
        channel_.PurgeInput();
        return SendWhole(channel_, command);
    }
    void Wait(std::chrono::milliseconds time) { pause_(time); }

    // After the select command: pause, read three bytes and drop them.
    void ReadSelectReply();
    // Clears the buffer, pauses, then waits for the sync byte with at most `limit` reads.
    SyncWaitResult AwaitReply(std::optional<int> limit,
                              const std::function<void()>& afterFirstRead = {});
    // The setup reply: three bytes into bytes 0 to 2.
    void ReadSetupReply() { Read(kSetupReplySize); }
    // The switch reply: eleven bytes into bytes 0 to 10.
    void ReadSwitchReply() { Read(kSwitchReplySize); }

    const ReplyBuffer& Buffer() const { return buffer_; }

  private:
    void Read(std::size_t count);

    CSerialChannel& channel_;
    Pause pause_;
    ReplyBuffer buffer_{};
};

}  // namespace vemora
