#pragma once
// The settings window for a display in an emulation other than ESC/POS, dialog 132: the face of
// DirectSettingsState, a code table and an international character set sent as direct commands.

#include "dialogs/DirectSettingsState.h"
#include "wingui/ModalDialog.h"
#include "wingui/Resources.h"

namespace vemora {

class CDirectSettingsDlg final : public ModalDialog {
  public:
    // The channel belongs to the connection dialog, which keeps it open while this one runs.
    explicit CDirectSettingsDlg(CSerialChannel* channel)
        : ModalDialog(IDD_DIRECT_SETTINGS), state_(channel, *this) {}

  private:
    void OnInitDialog() override;
    void OnCommand(int id, int code) override;
    void Refresh() override {}

    DirectSettingsState state_;
};

}  // namespace vemora
