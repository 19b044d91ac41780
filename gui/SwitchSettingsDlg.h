#pragma once
// The settings window for a display in the ESC/POS emulation: the Qt face of SwitchSettingsState,
// which reads and writes the five memory switch settings and keeps them in status files.

#include <array>
#include <filesystem>
#include <functional>
#include <memory>

#include "dialogs/SwitchSettingsState.h"
#include "gui/MessageBox.h"
#include "gui/SettingsDialog.h"

class QComboBox;

namespace Ui {
class SwitchSettingsDlg;
}

namespace vemora {

enum class StatusFileDialog { Save, Load };
// Asks the operator for a status file; an empty path when the question was cancelled.
using StatusFileChooser = std::function<std::filesystem::path(StatusFileDialog)>;

class CSwitchSettingsDlg : public CSettingsDialog, private MessageBoxView {
    Q_OBJECT

  public:
    // The channel belongs to the connection dialog, which keeps it open while this one runs.
    CSwitchSettingsDlg(CSerialChannel* channel, Pause pause, QWidget* parent = nullptr);
    ~CSwitchSettingsDlg() override;

    // Replaces the file dialogs that ask for a status file's name.
    void SetFileChooser(StatusFileChooser chooser);

    const SwitchSettingsState& State() const { return state_; }

  private:
    void Refresh() override;

    std::unique_ptr<Ui::SwitchSettingsDlg> ui_;
    SwitchSettingsState state_;
    std::array<QComboBox*, kSettingCount> lists_{};
    StatusFileChooser chooseFile_;
};

}  // namespace vemora
