#pragma once
// The dialogs' message boxes: the system's own, with one OK button, the icon the message calls for,
// and titled with the program file's name without its extension.

#include <windows.h>

#include <string>

#include "dialogs/DialogView.h"

namespace vemora {

// "vemora" for vemora.exe, whatever the program file is called.
std::wstring ProgramTitle();

// Shows a notice over `owner` (none: over no window) and returns when it is closed; its detail,
// when it has one, stands below its text.
void ShowNotice(HWND owner, const Notice& notice);

// Asks with Yes and No, No being the default; true when the answer is Yes.
bool AskYesNo(HWND owner, const std::string& question);

// From now on no box comes up (a question takes its default answer): the program is being ended
// from outside and nobody waits for a window. May be called from any thread.
void StopShowingMessages();

}  // namespace vemora
