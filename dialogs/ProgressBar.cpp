#include "dialogs/ProgressBar.h"

namespace vemora {

void ProgressBar::SetPosition(int position) {
    position_ = position;
    view_.Refresh();
}

void ProgressBar::Step() {
    const int next = position_ + kStep;
    SetPosition(next > kTop ? next % kTop : next);
}

}  // namespace vemora
