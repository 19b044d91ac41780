#include "protocol/DisplayCommands.h"

#include <algorithm>

namespace vemora {

namespace {
// US ( E, then the 16-bit count (pL, pH) and the function code: the setup command prefix.
constexpr Byte kParen = 0x28;
constexpr Byte kE = 0x45;

std::array<Byte, 5> DirectCommand(Byte letter, Byte n) {
    return {kStx, 0x05, letter, n, kEtx};
}
}  // namespace

std::array<Byte, 7> CmdSwitchQuery(int bank) {
    return {kUs, kParen, kE, 0x02, 0x00, 0x04, BankCode(bank)};
}

std::array<Byte, 15> CmdSwitchWrite(int bank, const SwitchDigits& digits) {
    std::array<Byte, 15> cmd{kUs, kParen, kE, 0x0A, 0x00, 0x03, BankCode(bank)};
    std::copy(digits.begin(), digits.end(), cmd.begin() + 7);
    return cmd;
}

std::array<Byte, 5> CmdDirectCodeTable(Byte n) {
    return DirectCommand(0x46, n);
}

std::array<Byte, 5> CmdDirectCharset(Byte n) {
    return DirectCommand(0x53, n);
}

bool IsDisplayIdentity(const ReplyBuffer& reply) {
    return reply[0] == 0x23 && reply[1] == 0x1F;
}

SwitchDigits SwitchReplyDigits(const ReplyBuffer& reply) {
    SwitchDigits digits{};
    std::copy(reply.begin() + 2, reply.begin() + 10, digits.begin());
    return digits;
}

bool SwitchReplyComplete(const ReplyBuffer& reply) {
    return std::all_of(reply.begin() + 2, reply.begin() + 10,
                       [](Byte b) { return b >= '0' && b <= '9'; });
}

SyncWaitResult WaitForSync(ReplyBuffer& buffer, const ReadOneByte& readOne,
                           std::optional<int> limit, const std::function<void()>& afterFirstRead) {
    SyncWaitResult result;
    while (buffer[0] != kSyncByte && (!limit || result.reads < *limit)) {
        readOne(&buffer[0]);
        ++result.reads;
        if (result.reads == 1 && afterFirstRead) {
            afterFirstRead();
        }
    }
    result.synced = buffer[0] == kSyncByte;
    return result;
}

}  // namespace vemora
