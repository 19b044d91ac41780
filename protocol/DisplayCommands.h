#pragma once
// The byte sequences sent to the customer display and the reading of its replies.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace vemora {

using Byte = std::uint8_t;

// Eight ASCII digits of one memory switch bank, switch bit 8 first and bit 1 last.
using SwitchDigits = std::array<char, 8>;

inline constexpr int kBankCount = 5;
inline constexpr Byte kSyncByte = 0x57;  // 'W': a setup or switch reply starts right after it

// The control bytes that begin the command families.
inline constexpr Byte kEsc = 0x1B;
inline constexpr Byte kUs = 0x1F;
inline constexpr Byte kStx = 0x02;
inline constexpr Byte kEtx = 0x03;

// The code a bank travels as in a switch query or write: 0x0A for bank 1 ... 0x0E for bank 5.
constexpr Byte BankCode(int bank) {
    return static_cast<Byte>(9 + bank);
}

// ESC/POS emulation.
inline constexpr std::array<Byte, 2> CmdInitialize{0x1B, 0x40};
inline constexpr std::array<Byte, 3> CmdSelectDisplay{0x1B, 0x3D, 0x02};
inline constexpr std::array<Byte, 8> CmdSetupEnter{0x1F, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E};
inline constexpr std::array<Byte, 9> CmdSetupExit{0x1F, 0x28, 0x45, 0x04, 0x00,
                                                  0x02, 0x4F, 0x55, 0x54};
inline constexpr std::array<Byte, 2> CmdSelfTest{0x1F, 0x40};

// Other emulations: STX 05 letter n ETX.
inline constexpr std::array<Byte, 5> CmdDirectInfo{0x02, 0x05, 0x56, 0x05, 0x03};

std::array<Byte, 7> CmdSwitchQuery(int bank);
std::array<Byte, 15> CmdSwitchWrite(int bank, const SwitchDigits& digits);
std::array<Byte, 5> CmdDirectCodeTable(Byte n);
std::array<Byte, 5> CmdDirectCharset(Byte n);

// The buffer an exchange builds its commands in and reads its replies into; reads fill it from
// byte 0, and a short read leaves the rest as it was.
using ReplyBuffer = std::array<Byte, 20>;

inline constexpr std::size_t kSelectReplySize = 3;
inline constexpr std::size_t kSetupReplySize = 3;
inline constexpr std::size_t kSwitchReplySize = 11;

// A setup reply that begins 23 1F comes from a display of ours; the third byte is not looked at.
bool IsDisplayIdentity(const ReplyBuffer& reply);

// The eight digits of a switch reply (bytes 2 to 9), in the order received.
SwitchDigits SwitchReplyDigits(const ReplyBuffer& reply);

// True when a switch reply holds a digit '0' to '9' at every digit position. A reply that came
// short leaves zero bytes there, since the buffer is cleared before the sync wait, and a reply
// with any other byte there is line noise, not an answer.
bool SwitchReplyComplete(const ReplyBuffer& reply);

struct SyncWaitResult {
    bool synced = false;  // byte 0 held the sync byte when the wait ended
    int reads = 0;        // single-byte reads made
};

// Reads one byte into the given place; a read that times out leaves it as it was.
using ReadOneByte = std::function<void(Byte* into)>;

// Waits for the sync byte in byte 0 of a buffer that was just cleared: reads single bytes into
// byte 0 until it holds the sync byte, dropping what came before, or until `limit` reads were
// made. `afterFirstRead`, when given, runs once after the first read (a progress step).
SyncWaitResult WaitForSync(ReplyBuffer& buffer, const ReadOneByte& readOne,
                           std::optional<int> limit,
                           const std::function<void()>& afterFirstRead = {});

}  // namespace vemora
