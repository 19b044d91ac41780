#include "wingui/ModalDialog.h"

#include "wingui/MessageBox.h"

namespace vemora {

INT_PTR ModalDialog::DoModal(HWND owner) {
    const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource_),
                                           owner, Procedure, reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
    return result;
}

void ModalDialog::Show(const Notice& notice) {
    ShowNotice(window_, notice);
}

bool ModalDialog::Ask(const std::string& question) {
    return AskYesNo(window_, question);
}

void ModalDialog::Enable(int id, bool enabled) {
    const HWND control = Item(id);
    if (!enabled && GetFocus() == control) {
        SendMessageW(window_, WM_NEXTDLGCTL, 0, FALSE);
    }
    EnableWindow(control, enabled);
}

INT_PTR CALLBACK ModalDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* dialog = reinterpret_cast<ModalDialog*>(lParam);
        dialog->window_ = window;
        dialog->OnInitDialog();
        return TRUE;  // the focus goes to the first control
    }
    auto* dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    if (message != WM_COMMAND) {
        return dialog->OnMessage(message, wParam, lParam);
    }
    const int id = LOWORD(wParam);
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(window, id);
    } else {
        dialog->OnCommand(id, HIWORD(wParam));
    }
    return TRUE;
}

}  // namespace vemora
