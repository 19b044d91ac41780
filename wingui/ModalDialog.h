#pragma once
// A modal dialog made from its dialog resource, and the message boxes it shows over itself: what
// the three dialogs share. Each binds its controls to a dialog state and shows the state's values
// in Refresh.

#include <windows.h>

#include <atomic>

#include "dialogs/DialogView.h"

namespace vemora {

class ModalDialog : public DialogView {
  public:
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog over `owner` (none for the program's first window) and returns when it
    // ends: IDOK for Enter where no button is the default, IDCANCEL for Escape and the close box.
    INT_PTR DoModal(HWND owner);
    // Null while the dialog is not shown; may be asked from any thread.
    HWND Window() const { return window_; }

    void Show(const Notice& notice) override;
    bool Ask(const std::string& question) override;

  protected:
    explicit ModalDialog(int resource) : resource_(resource) {}
    ~ModalDialog() = default;

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    // A control that loses its use gives the focus on to the next one first: a disabled control
    // with the focus leaves the keyboard nothing to work on.
    void Enable(int id, bool enabled);
    void End(int result) { EndDialog(window_, result); }
    // Paints what changed at once: an exchange holds the window until it ends.
    void PaintNow() { RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); }

    // The controls are there: fill the lists and show the state.
    virtual void OnInitDialog() = 0;
    // A click on a button or a change in a list (`code` says which), other than Enter and Escape.
    virtual void OnCommand(int id, int code) = 0;
    // Any other message; true when it was handled.
    virtual bool OnMessage(UINT, WPARAM, LPARAM) { return false; }

  private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int resource_;
    std::atomic<HWND> window_ = nullptr;
};

}  // namespace vemora
