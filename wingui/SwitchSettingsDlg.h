#pragma once
// The settings window for a display in the ESC/POS emulation, dialog 130: the face of
// SwitchSettingsState, which reads and writes the five memory switch settings and keeps them in
// status files.

#include "dialogs/SwitchSettingsState.h"
#include "wingui/ModalDialog.h"

namespace vemora {

class CSwitchSettingsDlg final : public ModalDialog {
  public:
    // The channel belongs to the connection dialog, which keeps it open while this one runs.
    CSwitchSettingsDlg(CSerialChannel* channel, Pause pause);

  private:
    void OnInitDialog() override;
    void OnCommand(int id, int code) override;
    void Refresh() override;

    SwitchSettingsState state_;
};

}  // namespace vemora
