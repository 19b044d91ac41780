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

namespace {

enum class Family { Any, EscPos, Direct };

std::vector<Byte> First(std::span<const Byte> command, std::size_t count) {
    return {command.begin(), command.begin() + static_cast<std::ptrdiff_t>(count)};
}

// The setup commands carry the bank code after their function code; the direct ones their n.
constexpr std::size_t kSetupHead = 6;
constexpr std::size_t kDirectHead = 3;

// The bank a setup command names, or 0 for a code that stands for no bank.
int BankOf(std::span<const Byte> cmd) {
    const Byte code = cmd[kSetupHead];
    return code >= BankCode(1) && code <= BankCode(kBankCount) ? code - BankCode(1) + 1 : 0;
}

}  // namespace

// How a command is told: its first bytes, its whole length, and the emulation that takes it.
struct DisplaySim::CommandEntry {
    std::vector<Byte> starts;
    std::size_t length;
    Family family;
    void (DisplaySim::*handle)(std::span<const Byte> cmd, std::vector<Byte>& reply);
};

const std::vector<DisplaySim::CommandEntry>& DisplaySim::CommandTable() {
    static const std::vector<CommandEntry> commands{
        {First(CmdInitialize, 2), 2, Family::Any, &DisplaySim::OnInitialize},
        {First(CmdSelectDisplay, 2), 3, Family::EscPos, &DisplaySim::OnSelectDisplay},
        {First(CmdSelfTest, 2), 2, Family::EscPos, &DisplaySim::OnSelfTest},
        {First(CmdSetupEnter, 8), 8, Family::EscPos, &DisplaySim::OnSetupEnter},
        {First(CmdSetupExit, 9), 9, Family::EscPos, &DisplaySim::OnSetupExit},
        {First(CmdSwitchQuery(1), kSetupHead), 7, Family::EscPos, &DisplaySim::OnSwitchQuery},
        {First(CmdSwitchWrite(1, {}), kSetupHead), 15, Family::EscPos, &DisplaySim::OnSwitchWrite},
        {First(CmdDirectInfo, kDirectHead), 5, Family::Direct, &DisplaySim::OnDirectInfo},
        {First(CmdDirectCodeTable(0), kDirectHead), 5, Family::Direct,
         &DisplaySim::OnDirectCodeTable},
        {First(CmdDirectCharset(0), kDirectHead), 5, Family::Direct, &DisplaySim::OnDirectCharset},
    };
    return commands;
}

void DisplaySim::Execute(std::span<const Byte> cmd, std::vector<Byte>& reply) {
    const Family mode =
        options_.emulation == SimEmulation::EscPos ? Family::EscPos : Family::Direct;
    for (const CommandEntry& entry : CommandTable()) {
        if (cmd.size() == entry.length &&
            std::equal(entry.starts.begin(), entry.starts.end(), cmd.begin())) {
            if (entry.family == Family::Any || entry.family == mode) {
                (this->*entry.handle)(cmd, reply);
            }
            return;
        }
    }
}

void DisplaySim::OnInitialize(std::span<const Byte>, std::vector<Byte>&) {
    lines_ = {};
    line_ = 0;
    if (state_ != SimState::Setup) {
        state_ = SimState::Ready;
    }
}

// The display becomes the addressed device.
void DisplaySim::OnSelectDisplay(std::span<const Byte> cmd, std::vector<Byte>& reply) {
    reply.insert(reply.end(), {0x06, 0x3D, cmd[2]});
}

void DisplaySim::OnSelfTest(std::span<const Byte>, std::vector<Byte>&) {
    state_ = SimState::SelfTest;
    Show("** SELF TEST **", "ESC/POS  9600 8N1");
}

void DisplaySim::OnSetupEnter(std::span<const Byte>, std::vector<Byte>& reply) {
    state_ = SimState::Setup;
    Show("USER SETUP MODE", "");
    AppendSync(reply);
    reply.insert(reply.end(),
                 {0x23, static_cast<Byte>(options_.wrongIdentity ? 0x1E : 0x1F), 0x01});
}

void DisplaySim::OnSetupExit(std::span<const Byte>, std::vector<Byte>&) {
    state_ = SimState::Ready;
    Show("", "");
}

void DisplaySim::OnSwitchQuery(std::span<const Byte> cmd, std::vector<Byte>& reply) {
    const int bank = BankOf(cmd);
    if (bank == 0) {
        return;
    }
    SwitchDigits digits = banks_[bank - 1];
    if (options_.digitTwoBank == bank) {
        auto on = std::find(digits.rbegin(), digits.rend(), '1');
        *(on != digits.rend() ? on : digits.rbegin()) = '2';
    }
    AppendSync(reply);
    reply.push_back(0x24);
    reply.push_back(BankCode(bank));
    const std::size_t sent = options_.shortReply ? 4 : digits.size();
    reply.insert(reply.end(), digits.begin(), digits.begin() + static_cast<std::ptrdiff_t>(sent));
    if (!options_.shortReply) {
        reply.push_back(0x0D);
    }
}

void DisplaySim::OnSwitchWrite(std::span<const Byte> cmd, std::vector<Byte>&) {
    const int bank = BankOf(cmd);
    if (bank == 0 || state_ != SimState::Setup || bank == options_.deafBank) {
        return;
    }
    std::copy(cmd.begin() + kSetupHead + 1, cmd.end(), banks_[bank - 1].begin());
}

void DisplaySim::OnDirectInfo(std::span<const Byte>, std::vector<Byte>&) {
    state_ = SimState::Information;
    Show("SIM DISPLAY INFO",
         "TABLE " + std::to_string(codeTable_) + " SET " + std::to_string(characterSet_));
}

void DisplaySim::OnDirectCodeTable(std::span<const Byte> cmd, std::vector<Byte>&) {
    codeTable_ = cmd[kDirectHead];
}

void DisplaySim::OnDirectCharset(std::span<const Byte> cmd, std::vector<Byte>&) {
    characterSet_ = cmd[kDirectHead];
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
