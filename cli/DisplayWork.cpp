#include "cli/DisplayWork.h"

namespace vemora {

namespace {

// Get Status makes 45 steps, the last once the fifth bank has been read; Set Status makes its
// first once the display has entered its setup mode, just before the first bank write.
constexpr int kReadSteps = 45;

}  // namespace

DisplayWork::DisplayWork(const CliOptions& options) {
    switch (options.command) {
        case CliCommand::Get:
            plan_ = {Exchange::Read};
            break;
        case CliCommand::Set:
            plan_ = options.loadFile.empty() ? std::vector{Exchange::Read, Exchange::Write}
                                             : std::vector{Exchange::Write};
            break;
        case CliCommand::Apply:
            plan_ = {Exchange::Read, Exchange::Write, Exchange::Read};
            break;
        default:
            break;
    }
}

void DisplayWork::SetPosition(int position) {
    std::lock_guard lock(mutex_);
    if (position == 0) {
        ++next_;
        steps_ = 0;
    }
}

void DisplayWork::Step() {
    std::lock_guard lock(mutex_);
    if (next_ == 0 || next_ > plan_.size()) {
        return;
    }
    ++steps_;
    if (plan_[next_ - 1] == Exchange::Write) {
        written_ = true;
    } else if (steps_ == kReadSteps) {
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
