// vemora-window-probe: what a window of another program shows, for the end-to-end test of
// vemora.exe: one line per control, with its id, whether it is enabled, the screen point at its
// middle (where a click lands) and its text (a list's: the item it shows).
// Usage: vemora-window-probe TITLE     exits 1 when no window has that title

#include <windows.h>

#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const std::wstring& wide) {
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string TextOf(HWND window) {
    std::wstring text(1024, L'\0');
    text.resize(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    return Utf8(text);
}

void PrintControl(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    std::printf("%d %d %ld %ld %s\n", GetDlgCtrlID(control), IsWindowEnabled(control) ? 1 : 0,
                (r.left + r.right) / 2, (r.top + r.bottom) / 2, TextOf(control).c_str());
}

}  // namespace

int main() {
    // Lines end in "\n" alone, for the shell that reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const HWND window = count == 2 ? FindWindowW(nullptr, arguments[1]) : nullptr;
    if (window == nullptr) {
        return 1;
    }
    // The dialog's own controls, not the edit inside an editable list.
    for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        PrintControl(c);
    }
    return 0;
}
