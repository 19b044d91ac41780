#pragma once
// What a command has done on its display so far, followed through the progress of its exchanges,
// so that a run ended by a signal can say whether the display was read and whether it may already
// hold new settings.

#include <mutex>
#include <vector>

#include "cli/CliOptions.h"
#include "flows/SwitchExchange.h"

namespace vemora {

class DisplayWork final : public Progress {
  public:
    // The exchanges that the command of `options` runs, in their order.
    explicit DisplayWork(const CliOptions& options);

    // Each exchange starts at position 0.
    void SetPosition(int position) override;
    void Step() override;

    // Another thread may ask these at any time.
    bool Read() const;     // the display's five switch banks were read
    bool Written() const;  // switch writes went out (some or all)

  private:
    enum class Exchange { Read, Write };

    mutable std::mutex mutex_;
    std::vector<Exchange> plan_;
    std::size_t next_ = 0;  // the exchange that starts next
    int steps_ = 0;         // the steps of the one under way
    bool read_ = false;
    bool written_ = false;
};

}  // namespace vemora
