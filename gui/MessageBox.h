#pragma once
// The dialogs' message boxes: titled with the program's file name without its extension, with the
// icon the message calls for.

#include <string_view>

#include "dialogs/DialogView.h"

class QWidget;

namespace vemora {

// Shows `text` with one OK button and waits until it is closed; `detail`, when given, stands below
// the text (e.g. the system's reason why a port could not be opened).
void ShowMessage(QWidget* parent, std::string_view text, MessageIcon icon,
                 std::string_view detail = {});

// Shows a dialog's notice and waits until it is closed.
void ShowNotice(QWidget* parent, const Notice& notice);

// Asks a question with Yes and No, No being the default; true when the answer is Yes.
bool AskYesNo(QWidget* parent, std::string_view question);

// Shows a dialog state's notices and questions in boxes over `owner`; the dialog that binds the
// state shows its controls (Refresh).
class MessageBoxView : public DialogView {
  public:
    explicit MessageBoxView(QWidget* owner) : owner_(owner) {}
    void Show(const Notice& notice) override;
    bool Ask(const std::string& question) override;

  protected:
    ~MessageBoxView() = default;

  private:
    QWidget* owner_;
};

// From now on no box comes up (a question takes its default answer): the program is being ended
// by a signal and nobody waits for a window. May be called from any thread.
void StopShowingMessages();

}  // namespace vemora
