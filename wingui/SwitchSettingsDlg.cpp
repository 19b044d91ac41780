#include "wingui/SwitchSettingsDlg.h"

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include "wingui/Controls.h"

namespace vemora {

namespace {

enum class StatusFileDialog { Save, Load };

// Asks for a status file with the system's file dialog; an empty path when it was cancelled. The
// folder chosen stays the current one, for the next question.
std::filesystem::path AskForStatusFile(HWND owner, StatusFileDialog which) {
    const bool save = which == StatusFileDialog::Save;
    std::wstring name = save ? L"Noname.sts" : L"*.sts";
    name.resize(32768, L'\0');
    OPENFILENAMEW question{};
    question.lStructSize = sizeof question;
    question.hwndOwner = owner;
    question.lpstrFilter = L"Status Files (*.sts)\0*.sts\0";
    question.lpstrFile = name.data();
    question.nMaxFile = static_cast<DWORD>(name.size());
    question.lpstrTitle = save ? L"Save current status" : L"Load saved status";
    question.Flags = OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_LONGNAMES | OFN_ENABLESIZING |
                     (save ? OFN_CREATEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&question) : GetOpenFileNameW(&question))) {
        return {};
    }
    return std::filesystem::path(name.c_str());
}

}  // namespace

CSwitchSettingsDlg::CSwitchSettingsDlg(CSerialChannel* channel, Pause pause)
    : ModalDialog(IDD_SWITCH_SETTINGS), state_(channel, std::move(pause), *this) {
    // The progress control's class.
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
}

void CSwitchSettingsDlg::OnInitDialog() {
    for (const SettingRow& row : kSettings) {
        FillList(Item(ListId(row.setting)), row.items);
    }
    SendDlgItemMessageW(Window(), IDC_PROGRESS, PBM_SETRANGE32, 0, ProgressBar::kTop);
    SendDlgItemMessageW(Window(), IDC_PROGRESS, PBM_SETSTEP, ProgressBar::kStep, 0);
    Refresh();
}

void CSwitchSettingsDlg::OnCommand(int id, int code) {
    if (code == BN_CLICKED) {
        switch (id) {
            case IDC_GET_STATUS:
                return state_.OnGetStatus();
            case IDC_SET_STATUS:
                return state_.OnSetStatus();
            case IDC_SAVE_STATUS:
                return state_.OnSaveStatus(AskForStatusFile(Window(), StatusFileDialog::Save));
            case IDC_LOAD_STATUS:
                return state_.OnLoadStatus(AskForStatusFile(Window(), StatusFileDialog::Load));
            case IDC_EXIT:
                return End(IDCANCEL);
        }
    }
    // Picking the item a list already shows changes no selection, but is a pick all the same.
    if (code != CBN_SELENDOK && code != CBN_SELCHANGE) {
        return;
    }
    for (const Setting setting : kAllSettings) {
        if (ListId(setting) == id) {
            state_.OnPick(setting, Selection(Item(id)));
        }
    }
}

void CSwitchSettingsDlg::Refresh() {
    const bool enabled = state_.SettingsEnabled();
    Enable(IDC_SET_STATUS, enabled);
    Enable(IDC_SAVE_STATUS, enabled);
    for (const Setting setting : kAllSettings) {
        Enable(ListId(setting), enabled);
        Select(Item(ListId(setting)), state_.Shown(setting));
    }
    SendDlgItemMessageW(Window(), IDC_PROGRESS, PBM_SETPOS, state_.ProgressPosition(), 0);
    PaintNow();
}

}  // namespace vemora
