#pragma once
// The display's side of the line: what a customer display answers to each command, with faults
// that tests and the simulator program can switch on.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/DisplayCommands.h"
#include "switches/SwitchImage.h"

namespace vemora {

enum class SimEmulation { EscPos, Korvant, Others };

struct SimOptions {
    SimEmulation emulation = SimEmulation::EscPos;
    SwitchImage switches{};              // initial banks; a cell counts as on when non-zero
    bool silent = false;                 // answers nothing at all
    int noise = 0;                       // bytes sent before each sync byte
    bool wrongIdentity = false;          // setup reply 23 1E instead of 23 1F
    bool shortReply = false;             // switch replies stop after four of their digits
    int digitTwoBank = 0;                // bank 1..5 whose reply carries a '2' for an on bit
    int deafBank = 0;                    // bank 1..5 that takes switch writes but keeps its digits
    std::chrono::milliseconds delay{0};  // before every reply
};

enum class SimState { Ready, Setup, SelfTest, Information };

class DisplaySim {
  public:
    static constexpr std::size_t kColumns = 20;

    explicit DisplaySim(SimOptions options);

    // Takes bytes from the PC, in any pieces, and returns what the display sends back now.
    std::vector<Byte> Receive(std::span<const Byte> bytes);

    const SimOptions& Options() const { return options_; }
    SimState State() const { return state_; }
    const SwitchDigits& Bank(int bank) const { return banks_[bank - 1]; }
    int CodeTable() const { return codeTable_; }        // last direct code table, -1 for none
    int CharacterSet() const { return characterSet_; }  // last direct character set, -1 for none
    // The two lines of text a person would read on the display.
    std::array<std::string, 2> Lines() const;
    // Everything received, in hex: one entry per command, and one per byte of text.
    const std::vector<std::string>& Commands() const { return commands_; }

  private:
    struct CommandEntry;
    // The commands the display knows, in the protocol's names, each with its handler.
    static const std::vector<CommandEntry>& CommandTable();

    // One handler per command, each adding the display's answer, if any, to `reply`.
    void OnInitialize(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnSelectDisplay(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnSelfTest(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnSetupEnter(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnSetupExit(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnSwitchQuery(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnSwitchWrite(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnDirectInfo(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnDirectCodeTable(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void OnDirectCharset(std::span<const Byte> cmd, std::vector<Byte>& reply);

    // Length of the command at the start of `pending_`: 0 when more bytes are needed, -1 when the
    // first byte starts no command.
    int CommandLength() const;
    // Runs the handler of a complete command; one the display's emulation does not take, or
    // that it does not know, is dropped.
    void Execute(std::span<const Byte> cmd, std::vector<Byte>& reply);
    void Text(Byte b);
    void Show(const std::string& top, const std::string& bottom);
    void AppendSync(std::vector<Byte>& reply) const;

    SimOptions options_;
    std::array<SwitchDigits, kBankCount> banks_{};
    SimState state_ = SimState::Ready;
    int codeTable_ = -1;
    int characterSet_ = -1;
    std::vector<Byte> pending_;
    std::array<std::string, 2> lines_;
    int line_ = 0;
    std::vector<std::string> commands_;
};

const char* SimStateName(SimState state);

}  // namespace vemora
