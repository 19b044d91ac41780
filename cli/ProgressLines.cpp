#include "cli/ProgressLines.h"

#include <algorithm>

#include "switches/SwitchImage.h"

namespace vemora {

namespace {

// A longer line would wrap, and the lines above it could no longer be redrawn where they stand.
constexpr std::size_t kLineWidth = 79;

}  // namespace

ProgressStyle ChooseProgressStyle(bool forced, bool quiet, bool terminal) {
    if (quiet) {
        return ProgressStyle::Off;
    }
    if (terminal) {
        return ProgressStyle::InPlace;
    }
    return forced ? ProgressStyle::Lines : ProgressStyle::Off;
}

ProgressLines::ProgressLines(std::ostream& err, ProgressStyle style, std::vector<std::string> ports)
    : err_(err), style_(style), ports_(std::move(ports)), texts_(ports_.size()) {}

void ProgressLines::Show(std::size_t index, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (style_ == ProgressStyle::Off || index >= texts_.size() || texts_[index] == text) {
        return;
    }
    texts_[index] = text;
    if (style_ == ProgressStyle::Lines) {
        err_ << ports_[index] << ": " << text << std::endl;
        return;
    }
    Erase();
    Draw();
}

void ProgressLines::Print(std::ostream& to, std::string_view line) {
    std::lock_guard lock(mutex_);
    Erase();
    to << line << "\n";
    // Before the progress is drawn again under it; without progress the output keeps its buffer.
    if (style_ != ProgressStyle::Off) {
        to.flush();
    }
    Draw();
}

void ProgressLines::Clear() {
    std::lock_guard lock(mutex_);
    Erase();
    style_ = ProgressStyle::Off;
}

// Cursor up over the lines drawn, then clear to the end of the screen.
void ProgressLines::Erase() {
    if (drawn_) {
        err_ << "\r\x1b[" << ports_.size() << "A\x1b[J";
        drawn_ = false;
    }
}

// Nothing until a port has something to say.
void ProgressLines::Draw() {
    const bool said = std::any_of(texts_.begin(), texts_.end(),
                                  [](const std::string& text) { return !text.empty(); });
    if (style_ != ProgressStyle::InPlace || !said) {
        return;
    }
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        const std::string line = ports_[i] + ": " + texts_[i];
        err_ << line.substr(0, kLineWidth) << "\x1b[K\n";
    }
    err_.flush();
    drawn_ = true;
}

void PortProgress::SetPosition(int position) {
    if (inner_ != nullptr) {
        inner_->SetPosition(position);
    }
}

void PortProgress::Step() {
    if (inner_ != nullptr) {
        inner_->Step();
    }
}

void PortProgress::ReadingBank(int bank) {
    if (inner_ != nullptr) {
        inner_->ReadingBank(bank);
    }
    Say(std::string(written_ ? "verifying" : "reading") + " bank " + std::to_string(bank) + " of " +
        std::to_string(kBankCount));
}

void PortProgress::WritingBanks() {
    if (inner_ != nullptr) {
        inner_->WritingBanks();
    }
    written_ = true;
    Say("writing");
}

ProgressAwareStream::ProgressAwareStream(ProgressLines& lines, std::ostream& to)
    : std::ostream(&buffer_), buffer_(lines, to) {}

ProgressAwareStream::~ProgressAwareStream() {
    buffer_.Flush();
}

ProgressAwareStream::Buffer::int_type ProgressAwareStream::Buffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    if (traits_type::to_char_type(c) == '\n') {
        lines_.Print(to_, line_);
        line_.clear();
    } else {
        line_ += traits_type::to_char_type(c);
    }
    return c;
}

void ProgressAwareStream::Buffer::Flush() {
    if (!line_.empty()) {
        lines_.Print(to_, line_);
        line_.clear();
    }
}

}  // namespace vemora
