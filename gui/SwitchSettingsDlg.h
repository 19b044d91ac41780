#pragma once
// The settings window for a display in the ESC/POS emulation: the five memory switch settings,
// read from and written to the display, kept in status files.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "flows/SwitchExchange.h"
#include "gui/SettingsDialog.h"
#include "protocol/Exchange.h"
#include "serial/SerialChannel.h"
#include "switches/SettingLists.h"
#include "switches/SwitchImage.h"

class QComboBox;

namespace Ui {
class SwitchSettingsDlg;
}

namespace vemora {

enum class StatusFileDialog { Save, Load };
// Asks the operator for a status file; an empty path when the question was cancelled.
using StatusFileChooser = std::function<std::filesystem::path(StatusFileDialog)>;

class CSwitchSettingsDlg : public CSettingsDialog, public Progress {
    Q_OBJECT

  public:
    // The channel belongs to the connection dialog, which keeps it open while this one runs.
    CSwitchSettingsDlg(CSerialChannel* channel, Pause pause, QWidget* parent = nullptr);
    ~CSwitchSettingsDlg() override;

    // Replaces the file dialogs that ask for a status file's name.
    void SetFileChooser(StatusFileChooser chooser);

    const SwitchImage& Image() const { return image_; }

    // The progress bar of an exchange, 0 to 100; a step adds 4, and a step past 100 starts the
    // bar over as a native progress control does. It is painted at once, since the exchange
    // holds the window until it ends.
    void SetPosition(int position) override;
    void Step() override;

    // Makes Set Status, Save Status and the five lists usable once a status is held.
    void EnableSettings(bool enable);

  private:
    void OnGetStatus();
    void OnSetStatus();
    void OnSaveStatus();
    void OnLoadStatus();
    void OnSettingChosen(Setting setting);

    QComboBox* List(Setting setting) const;
    // Shows the selections in the lists; an index outside a list shows no item.
    void ShowSelections();
    void ReadSelections();

    std::unique_ptr<Ui::SwitchSettingsDlg> ui_;
    SwitchImage image_;
    CSerialChannel* channel_;
    Pause pause_;
    SwitchSelections selections_;
    StatusFileChooser chooseFile_;
};

}  // namespace vemora
