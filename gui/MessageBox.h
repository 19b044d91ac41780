#pragma once
// The dialogs' message boxes: titled with the program's file name without its extension, with the
// icon the message calls for.

#include <string_view>

#include "flows/Outcome.h"

class QWidget;

namespace vemora {

// Shows `text` with one OK button and waits until it is closed; `detail`, when given, stands below
// the text (e.g. the system's reason why a port could not be opened).
void ShowMessage(QWidget* parent, std::string_view text, MessageIcon icon,
                 std::string_view detail = {});

// Shows the fixed message of an outcome, if it has one, with `detail` or else the outcome's own.
void ShowOutcome(QWidget* parent, Outcome outcome, std::string_view detail = {});

// Asks a question with Yes and No, No being the default; true when the answer is Yes.
bool AskYesNo(QWidget* parent, std::string_view question);

// From now on no box comes up (a question takes its default answer): the program is being ended
// by a signal and nobody waits for a window. May be called from any thread.
void StopShowingMessages();

}  // namespace vemora
