#include "cli/DisplayWork.h"

namespace vemora {

namespace {

// Get Status makes 45 steps, the last once the fifth bank has been read; Set Status makes its
// first once the display has entered its setup mode, just before the first bank write.
constexpr int kReadSteps = 45;

}  // namespace

void DisplayWork::SetPosition(int position) {
    std::lock_guard lock(mutex_);
    if (position == 0) {
        current_ = Exchange::None;
        steps_ = 0;
    }
}

void DisplayWork::ReadingBank(int) {
    std::lock_guard lock(mutex_);
    current_ = Exchange::Read;
}

void DisplayWork::WritingBanks() {
    std::lock_guard lock(mutex_);
    current_ = Exchange::Write;
}

void DisplayWork::Step() {
    std::lock_guard lock(mutex_);
    ++steps_;
    if (current_ == Exchange::Write) {
        written_ = true;
    } else if (current_ == Exchange::Read && steps_ == kReadSteps) {
        read_ = true;
    }
}

bool DisplayWork::Read() const {
    std::lock_guard lock(mutex_);
    return read_;
}

bool DisplayWork::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

}  // namespace vemora
