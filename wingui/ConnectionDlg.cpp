#include "wingui/ConnectionDlg.h"

#include "printers/PassLimits.h"
#include "wingui/Controls.h"
#include "wingui/DirectSettingsDlg.h"
#include "wingui/SwitchSettingsDlg.h"

namespace vemora {

namespace {

struct LineListControl {
    int id;
    LineList list;
};
constexpr LineListControl kLineLists[] = {{IDC_PORT, LineList::Port},
                                          {IDC_BAUD_RATE, LineList::BaudRate},
                                          {IDC_DATA_BITS, LineList::DataBits},
                                          {IDC_PARITY, LineList::Parity},
                                          {IDC_EMULATION_MODE, LineList::EmulationMode}};

HICON ProgramIcon(int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VEMORA),
                                         IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_SHARED));
}

// Message boxes, file dialogs and dialogs are all dialog windows.
BOOL CALLBACK CloseDialog(HWND window, LPARAM) {
    wchar_t kind[8] = {};
    GetClassNameW(window, kind, 8);
    if (std::wstring_view(kind) == L"#32770") {
        EndDialog(window, IDCANCEL);
    }
    return TRUE;
}

}  // namespace

CConnectionDlg::CConnectionDlg(std::unique_ptr<SerialDevice> device,
                               std::unique_ptr<Spooler> spooler, Pause pause,
                               const std::vector<std::string>& extraPortNames)
    : ModalDialog(IDD_CONNECTION),
      state_(std::move(device), std::move(spooler), std::move(pause), extraPortNames, *this) {}

CConnectionDlg::~CConnectionDlg() {
    state_.CloseAndRestorePrinters();
}

void CConnectionDlg::OnInitDialog() {
    SendMessageW(Window(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(ProgramIcon(SM_CXICON, SM_CYICON)));
    SendMessageW(Window(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(ProgramIcon(SM_CXSMICON, SM_CYSMICON)));
    FillList(Item(IDC_PORT), state_.PortNames());
    FillList(Item(IDC_BAUD_RATE), kBaudRateItems);
    FillList(Item(IDC_DATA_BITS), kDataBitsItems);
    FillList(Item(IDC_PARITY), kParityItems);
    FillList(Item(IDC_STOP_BITS), kStopBitsItems);
    FillList(Item(IDC_FLOW_CONTROL), kFlowControlItems);
    FillList(Item(IDC_EMULATION_MODE), kEmulationModeItems);
    for (const auto& [id, list] : kLineLists) {
        Select(Item(id), state_.Selected(list));
    }
    Select(Item(IDC_STOP_BITS), 0);
    Select(Item(IDC_FLOW_CONTROL), 0);
    Refresh();
}

void CConnectionDlg::OnCommand(int id, int code) {
    if (code != BN_CLICKED) {
        OnListChange(id, code);
    } else if (id == IDC_CHECK_COMMUNICATION) {
        state_.OnCheckCommunication();
    } else if (id == IDC_SELF_TEST) {
        state_.OnSelfTest();
    } else if (id == IDC_RUN_MANAGER) {
        OnRunManager();
    }
}

void CConnectionDlg::OnListChange(int id, int code) {
    const HWND control = Item(id);
    if (id == IDC_PARITY && code == CBN_EDITCHANGE) {
        state_.ParityText(TextOf(control));
        return;
    }
    for (const auto& [listId, list] : kLineLists) {
        if (listId == id && code == CBN_SELCHANGE) {
            const int index = Selection(control);
            state_.Choose(list, index);
            // A pick puts the item's own text in the parity list; the list says so only later.
            if (list == LineList::Parity) {
                state_.ParityText(ItemAt(control, index));
            }
        }
    }
}

bool CConnectionDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == kCloseAll) {
        EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
        return true;
    }
    if (message == WM_ENDSESSION && wParam) {
        state_.CloseAndRestorePrinters(kRestoreOnSignal);
        // Should the system not end the program, it ends as it would by Exit.
        PostMessageW(Window(), kCloseAll, 0, 0);
        return true;
    }
    return false;
}

void CConnectionDlg::Refresh() {
    Enable(IDC_SELF_TEST, state_.SettingsEnabled());
    Enable(IDC_RUN_MANAGER, state_.SettingsEnabled());
    Enable(IDC_CHECK_COMMUNICATION, state_.CheckEnabled());
}

void CConnectionDlg::OnRunManager() {
    if (state_.OnRunManager() == ManagerDialog::Switches) {
        CSwitchSettingsDlg settings(&state_.Channel(), state_.Pauses());
        settings.DoModal(Window());
    } else {
        CDirectSettingsDlg settings(&state_.Channel());
        settings.DoModal(Window());
    }
}

}  // namespace vemora
