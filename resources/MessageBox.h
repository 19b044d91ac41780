#pragma once
// The dialogs' message boxes: titled with the program's file name without its extension, with the
// icon the message calls for.

#include <string_view>

class QWidget;

namespace vemora {

enum class MessageIcon { Information, Exclamation, None };

// Shows `text` with one OK button and waits until it is closed; `detail`, when given, stands below
// the text (e.g. the system's reason why a port could not be opened).
void ShowMessage(QWidget* parent, std::string_view text, MessageIcon icon,
                 std::string_view detail = {});

// Asks a question with Yes and No, No being the default; true when the answer is Yes.
bool AskYesNo(QWidget* parent, std::string_view question);

}  // namespace vemora
