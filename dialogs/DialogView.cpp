#include "dialogs/DialogView.h"

namespace vemora {

Notice NoticeOf(Outcome outcome, const std::string& detail) {
    const Message message = MessageFor(outcome);
    return {std::string(message.text), message.icon,
            detail.empty() ? std::string(message.detail) : detail};
}

void Tell(DialogView& view, Outcome outcome, const std::string& detail) {
    if (const Notice notice = NoticeOf(outcome, detail); !notice.text.empty()) {
        view.Show(notice);
    }
}

}  // namespace vemora
