#pragma once
// The progress bar of an exchange as a native progress control keeps it: 0 to 100, a step adds 4,
// and a step past 100 starts the bar over.

#include "dialogs/DialogView.h"
#include "flows/SwitchExchange.h"

namespace vemora {

class ProgressBar final : public Progress {
  public:
    static constexpr int kTop = 100;
    static constexpr int kStep = 4;

    explicit ProgressBar(DialogView& view) : view_(view) {}

    int Position() const { return position_; }
    // Each change is shown at once.
    void SetPosition(int position) override;
    void Step() override;

  private:
    DialogView& view_;
    int position_ = 0;
};

}  // namespace vemora
