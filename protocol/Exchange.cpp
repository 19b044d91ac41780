#include "protocol/Exchange.h"

namespace vemora {

void DisplayExchange::Read(std::size_t count) {
    channel_.Read(buffer_.data(), static_cast<std::uint32_t>(count));
}

void DisplayExchange::ReadSelectReply() {
    pause_(kReplyPause);
    Read(kSelectReplySize);
}

SyncWaitResult DisplayExchange::AwaitReply(std::optional<int> limit,
                                           const std::function<void()>& afterFirstRead) {
    buffer_.fill(0);
    pause_(kReplyPause);
    return WaitForSync(
        buffer_, [this](Byte* into) { channel_.Read(into, 1); }, limit, afterFirstRead);
}

}  // namespace vemora
