#include "wingui/MessageBox.h"

#include <atomic>
#include <filesystem>

#include "wingui/Controls.h"

namespace vemora {

namespace {

std::atomic<bool> stopped{false};

UINT IconStyle(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return MB_ICONINFORMATION;
        case MessageIcon::Exclamation:
            return MB_ICONEXCLAMATION;
        case MessageIcon::None:
            break;
    }
    return 0;
}

int Run(HWND owner, const std::string& text, UINT style, int answer) {
    if (stopped) {
        return answer;
    }
    return MessageBoxW(owner, Wide(text).c_str(), ProgramTitle().c_str(), style);
}

}  // namespace

std::wstring ProgramTitle() {
    std::wstring file(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, file.data(), file.size())) == file.size()) {
        file.resize(file.size() * 2);
    }
    file.resize(length);
    return std::filesystem::path(file).stem().wstring();
}

void ShowNotice(HWND owner, const Notice& notice) {
    std::string text = notice.text;
    if (!notice.detail.empty()) {
        text += "\n\n" + notice.detail;
    }
    // A detail made of lines ends with a line break.
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    Run(owner, text, MB_OK | IconStyle(notice.icon), IDOK);
}

bool AskYesNo(HWND owner, const std::string& question) {
    return Run(owner, question, MB_YESNO | MB_DEFBUTTON2 | MB_ICONEXCLAMATION, IDNO) == IDYES;
}

void StopShowingMessages() {
    stopped = true;
}

}  // namespace vemora
