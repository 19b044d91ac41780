#pragma once
// What a dialog's state asks of the front end that shows it (the Qt dialogs, or native ones): a
// message box, a yes-or-no question, and showing the state's values at once. Each call returns
// when the operator has seen or answered it, so the state keeps the order of what happens.

#include <string>

#include "flows/Outcome.h"

namespace vemora {

// A message box: its words, icon and the line that stands below them.
struct Notice {
    std::string text;
    MessageIcon icon = MessageIcon::None;
    std::string detail;
    bool operator==(const Notice&) const = default;
};

// The fixed message of an outcome (none for an outcome without one), with `detail` below it in
// place of the outcome's own when given.
Notice NoticeOf(Outcome outcome, const std::string& detail = {});

class DialogView {
  public:
    // Shows a message box with one OK button and returns when it is closed.
    virtual void Show(const Notice& notice) = 0;
    // Asks with Yes and No, No being the default; true for Yes.
    virtual bool Ask(const std::string& question) = 0;
    // The controls take the state's values (enabled, selections, progress) and are painted now:
    // an exchange holds the window until it ends.
    virtual void Refresh() = 0;

  protected:
    ~DialogView() = default;
};

// Shows the outcome's message, if it has one.
void Tell(DialogView& view, Outcome outcome, const std::string& detail = {});

}  // namespace vemora
