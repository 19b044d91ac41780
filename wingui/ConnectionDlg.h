#pragma once
// The program's one long-lived window, dialog 102: the face of ConnectionState, which holds the
// serial settings, the connected state and the door to the settings dialog that fits the mode.

#include <memory>
#include <string>
#include <vector>

#include "dialogs/ConnectionState.h"
#include "wingui/ModalDialog.h"

namespace vemora {

class CConnectionDlg final : public ModalDialog {
  public:
    // Posted from any thread, it closes every window of the program, this dialog last: the
    // program is being ended from outside.
    static constexpr UINT kCloseAll = WM_APP + 1;

    // The Port list holds the fixed names, then `extraPortNames` (devices found on this machine).
    // Printers on the chosen port are parked through `spooler` while the program may use it.
    CConnectionDlg(std::unique_ptr<SerialDevice> device, std::unique_ptr<Spooler> spooler,
                   Pause pause, const std::vector<std::string>& extraPortNames);
    // Gives the printers their ports back if nothing did before.
    ~CConnectionDlg();

    // Selects the named port, adding it to the end of the list when it is not there; before the
    // dialog is shown.
    void SelectPort(const std::string& name) {
        state_.Choose(LineList::Port, state_.AddPort(name));
    }

    ConnectionState& State() { return state_; }

  private:
    void OnInitDialog() override;
    void OnCommand(int id, int code) override;
    // kCloseAll, and the end of the session (log-off or shutdown), after which the system ends the
    // program.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Refresh() override;
    void OnListChange(int id, int code);
    void OnRunManager();

    ConnectionState state_;
};

}  // namespace vemora
