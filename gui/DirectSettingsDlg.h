#pragma once
// The settings window for a display in an emulation other than ESC/POS: the Qt face of
// DirectSettingsState, a code table and an international character set sent as direct commands.

#include <memory>

#include "dialogs/DirectSettingsState.h"
#include "gui/MessageBox.h"
#include "gui/SettingsDialog.h"

namespace Ui {
class DirectSettingsDlg;
}

namespace vemora {

class CDirectSettingsDlg : public CSettingsDialog, private MessageBoxView {
    Q_OBJECT

  public:
    // The channel belongs to the connection dialog, which keeps it open while this one runs.
    explicit CDirectSettingsDlg(CSerialChannel* channel, QWidget* parent = nullptr);
    ~CDirectSettingsDlg() override;

  private:
    void Refresh() override {}

    std::unique_ptr<Ui::DirectSettingsDlg> ui_;
    DirectSettingsState state_;
};

}  // namespace vemora
