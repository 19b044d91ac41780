#include "sim/DisplaySim.h"

#include <algorithm>
#include <cstdio>

namespace vemora {

namespace {

constexpr std::size_t kLongestSetupCommand = 64;

std::string Hex(std::span<const Byte> bytes) {
    std::string out;
    char buf[4];
    for (Byte b : bytes) {
        std::snprintf(buf, sizeof buf, "%s%02X", out.empty() ? "" : " ", b);
        out += buf;
    }
    return out;
}

SwitchDigits DigitsOf(const SwitchBank& bank) {
    SwitchDigits digits;
    for (int k = 1; k <= 8; ++k) {
        digits[8 - k] = bank.cells[k] != 0 ? '1' : '0';
    }
    return digits;
}

}  // namespace

const char* SimStateName(SimState state) {
    switch (state) {
        case SimState::Ready:
            return "ready";
        case SimState::Setup:
            return "setup mode";
        case SimState::SelfTest:
            return "self test";
        case SimState::Information:
            return "information";
    }
    return "";
}

DisplaySim::DisplaySim(SimOptions options) : options_(std::move(options)) {
    for (int b = 1; b <= kBankCount; ++b) {
        banks_[b - 1] = DigitsOf(options_.switches.Bank(b));
    }
}

std::vector<Byte> DisplaySim::Receive(std::span<const Byte> bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    std::vector<Byte> reply;
    for (;;) {
        const int length = CommandLength();
        if (length == 0) {
            break;
        }
        if (length < 0) {
            commands_.push_back(Hex(std::span<const Byte>(pending_.data(), 1)));
            Text(pending_.front());
            pending_.erase(pending_.begin());
            continue;
        }
        const std::vector<Byte> cmd(pending_.begin(), pending_.begin() + length);
        pending_.erase(pending_.begin(), pending_.begin() + length);
        commands_.push_back(Hex(cmd));
        Execute(cmd, reply);
    }
    if (options_.silent) {
        reply.clear();
    }
    return reply;
}

int DisplaySim::CommandLength() const {
    const std::size_t have = pending_.size();
    if (have == 0) {
        return 0;
    }
    const Byte first = pending_[0];
    if (first != kEsc && first != kUs && first != kStx) {
        return -1;
    }
    if (have < 2) {
        return 0;
    }
    const Byte second = pending_[1];
    if (first == kEsc) {
        return second == 0x40 ? 2 : second == 0x3D ? (have < 3 ? 0 : 3) : -1;
    }
    if (first == kUs) {
        if (second == 0x40) {
            return 2;
        }
        if (second != 0x28) {
            return -1;
        }
        if (have < 5) {
            return 0;
        }
        const std::size_t length = 5 + pending_[3] + 256u * pending_[4];
        if (pending_[2] != 0x45 || length > kLongestSetupCommand) {
            return -1;
        }
        return have < length ? 0 : static_cast<int>(length);
    }
    if (have < 5) {
        return 0;
    }
    return pending_[1] == 0x05 && pending_[4] == kEtx ? 5 : -1;
}

void DisplaySim::AppendSync(std::vector<Byte>& reply) const {
    // Noise that a display may send first; never the sync byte itself.
    for (int i = 0; i < options_.noise; ++i) {
        reply.push_back(static_cast<Byte>(0x30 + i % 10));
    }
    reply.push_back(kSyncByte);
}

void DisplaySim::Execute(std::span<const Byte> cmd, std::vector<Byte>& reply) {
    const bool escPos = options_.emulation == SimEmulation::EscPos;
    if (cmd[0] == kEsc && cmd[1] == 0x40) {
        lines_ = {};
        line_ = 0;
        if (state_ != SimState::Setup) {
            state_ = SimState::Ready;
        }
        return;
    }
    if (cmd[0] == kStx) {
        if (escPos) {
            return;
        }
        switch (cmd[2]) {
            case 0x56:
                state_ = SimState::Information;
                Show("SIM DISPLAY INFO", "TABLE " + std::to_string(codeTable_) + " SET " +
                                             std::to_string(characterSet_));
                break;
            case 0x46:
                codeTable_ = cmd[3];
                break;
            case 0x53:
                characterSet_ = cmd[3];
                break;
        }
        return;
    }
    if (!escPos) {
        return;
    }
    if (cmd[0] == kEsc) {  // ESC = n: the display becomes the addressed device
        reply.insert(reply.end(), {0x06, 0x3D, cmd[2]});
        return;
    }
    if (cmd[1] == 0x40) {
        state_ = SimState::SelfTest;
        Show("** SELF TEST **", "ESC/POS  9600 8N1");
        return;
    }
    const Byte fn = cmd[5];
    const std::span<const Byte> data = cmd.subspan(6);
    const bool bankCode =
        !data.empty() && data[0] >= BankCode(1) && data[0] <= BankCode(kBankCount);
    if (fn == 1 && data.size() == 2 && data[0] == 'I' && data[1] == 'N') {
        state_ = SimState::Setup;
        Show("USER SETUP MODE", "");
        AppendSync(reply);
        reply.insert(reply.end(),
                     {0x23, static_cast<Byte>(options_.wrongIdentity ? 0x1E : 0x1F), 0x01});
    } else if (fn == 2 && data.size() == 3 && data[0] == 'O' && data[1] == 'U' && data[2] == 'T') {
        state_ = SimState::Ready;
        Show("", "");
    } else if (fn == 3 && data.size() == 9 && bankCode && state_ == SimState::Setup) {
        if (data[0] - BankCode(1) + 1 == options_.deafBank) {
            return;
        }
        std::copy(data.begin() + 1, data.end(), banks_[data[0] - BankCode(1)].begin());
    } else if (fn == 4 && data.size() == 1 && bankCode) {
        const int bank = data[0] - BankCode(1) + 1;
        SwitchDigits digits = banks_[bank - 1];
        if (options_.digitTwoBank == bank) {
            auto on = std::find(digits.rbegin(), digits.rend(), '1');
            *(on != digits.rend() ? on : digits.rbegin()) = '2';
        }
        AppendSync(reply);
        reply.push_back(0x24);
        reply.push_back(data[0]);
        const std::size_t sent = options_.shortReply ? 4 : digits.size();
        reply.insert(reply.end(), digits.begin(), digits.begin() + sent);
        if (!options_.shortReply) {
            reply.push_back(0x0D);
        }
    }
}

void DisplaySim::Text(Byte b) {
    if (b == 0x0C) {
        lines_ = {};
        line_ = 0;
    } else if (b == 0x0A) {
        line_ = 1;
    } else if (b == 0x0D) {
        lines_[line_].clear();
    } else if (b >= 0x20 && b < 0x7F) {
        if (lines_[line_].size() == kColumns) {
            if (line_ == 0) {
                line_ = 1;
            } else {
                lines_[0] = lines_[1];
            }
            lines_[line_].clear();
        }
        lines_[line_] += static_cast<char>(b);
    }
}

void DisplaySim::Show(const std::string& top, const std::string& bottom) {
    lines_ = {top.substr(0, kColumns), bottom.substr(0, kColumns)};
    line_ = 0;
}

std::array<std::string, 2> DisplaySim::Lines() const {
    return lines_;
}

}  // namespace vemora
