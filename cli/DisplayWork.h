#pragma once
// What a command has done on its display so far, followed through the progress of its exchanges,
// so that a run ended by a signal can say whether the display was read and whether it may already
// hold new settings.

#include <mutex>

#include "flows/SwitchExchange.h"

namespace vemora {

class DisplayWork final : public Progress {
  public:
    // Each exchange starts at position 0, then says whether it reads or writes the banks.
    void SetPosition(int position) override;
    void Step() override;
    void ReadingBank(int bank) override;
    void WritingBanks() override;

    // Another thread may ask these at any time.
    bool Read() const;     // the display's five switch banks were read
    bool Written() const;  // switch writes went out (some or all)

  private:
    enum class Exchange { None, Read, Write };

    mutable std::mutex mutex_;
    Exchange current_ = Exchange::None;  // the exchange under way
    int steps_ = 0;                      // its steps so far
    bool read_ = false;
    bool written_ = false;
};

}  // namespace vemora
