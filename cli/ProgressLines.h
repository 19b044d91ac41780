#pragma once
// Progress on stderr while vemora-cli works: a line for each port that names the step (checking,
// reading bank 3 of 5, writing, verifying) and ends with the outcome.

#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "flows/SwitchExchange.h"

namespace vemora {

enum class ProgressStyle {
    Off,
    InPlace,  // a terminal: the lines are redrawn where they stand and erased at the end
    Lines,    // forced into a file or a pipe: a line for each step, nothing redrawn
};

// --progress forces progress, --quiet turns it off; else a terminal on stderr shows it.
ProgressStyle ChooseProgressStyle(bool forced, bool quiet, bool terminal);

// True when stderr is a terminal that takes the cursor controls of InPlace (platform files).
bool StderrTakesProgress();

// The progress lines of the ports of one run; every port's thread may use them.
class ProgressLines {
  public:
    ProgressLines(std::ostream& err, ProgressStyle style, std::vector<std::string> ports);
    ProgressLines(const ProgressLines&) = delete;
    ProgressLines& operator=(const ProgressLines&) = delete;

    // The line of port `index` now says `text`.
    void Show(std::size_t index, std::string_view text);
    // A line of the run's own output, on `to`, above the progress lines.
    void Print(std::ostream& to, std::string_view line);
    // Takes the progress lines off the terminal, before the ports' output is printed.
    void Clear();

  private:
    void Erase();
    void Draw();

    std::mutex mutex_;
    std::ostream& err_;
    ProgressStyle style_;
    std::vector<std::string> ports_;
    std::vector<std::string> texts_;
    bool drawn_ = false;
};

// The progress of one port's run, on its line: the command's steps and the exchanges' banks;
// everything also goes on to `inner` when there is one.
class PortProgress : public Progress {
  public:
    PortProgress(ProgressLines& lines, std::size_t index, Progress* inner = nullptr)
        : lines_(lines), index_(index), inner_(inner) {}

    void SetPosition(int position) override;
    void Step() override;
    void ReadingBank(int bank) override;
    void WritingBanks() override;
    // A step of the command ("checking") or an outcome's message.
    void Say(std::string_view text) { lines_.Show(index_, text); }

  private:
    ProgressLines& lines_;
    std::size_t index_;
    Progress* inner_;
    bool written_ = false;  // reading after a write is verifying it
};

// An output stream whose lines go through ProgressLines::Print to `to`.
class ProgressAwareStream : public std::ostream {
  public:
    ProgressAwareStream(ProgressLines& lines, std::ostream& to);
    ~ProgressAwareStream() override;

  private:
    class Buffer : public std::streambuf {
      public:
        Buffer(ProgressLines& lines, std::ostream& to) : lines_(lines), to_(to) {}
        void Flush();

      protected:
        int_type overflow(int_type c) override;

      private:
        ProgressLines& lines_;
        std::ostream& to_;
        std::string line_;
    };
    Buffer buffer_;
};

}  // namespace vemora
