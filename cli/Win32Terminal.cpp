#include <windows.h>

#include "cli/ProgressLines.h"

namespace vemora {

// A console takes the cursor controls once asked to (Windows 10 and later).
bool StderrTakesProgress() {
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    return console != INVALID_HANDLE_VALUE && GetConsoleMode(console, &mode) &&
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

}  // namespace vemora
