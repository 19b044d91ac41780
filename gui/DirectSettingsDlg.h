#pragma once
// The settings window for a display in an emulation other than ESC/POS: a code table and an
// international character set, sent as direct commands.

#include <memory>

#include "gui/SettingsDialog.h"
#include "serial/SerialChannel.h"

namespace Ui {
class DirectSettingsDlg;
}

namespace vemora {

class CDirectSettingsDlg : public CSettingsDialog {
    Q_OBJECT

  public:
    // The channel belongs to the connection dialog, which keeps it open while this one runs.
    explicit CDirectSettingsDlg(CSerialChannel* channel, QWidget* parent = nullptr);
    ~CDirectSettingsDlg() override;

  private:
    void OnSetStatus();
    void OnShowInformation();

    std::unique_ptr<Ui::DirectSettingsDlg> ui_;
    CSerialChannel* channel_;
};

}  // namespace vemora
