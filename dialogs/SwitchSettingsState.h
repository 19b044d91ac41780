#pragma once
// What the memory switch dialog knows and does, whatever shows it: the switch image and the five
// selections, which controls are usable, the progress of an exchange, Get and Set Status, and
// status files.

#include <filesystem>

#include "dialogs/DialogView.h"
#include "dialogs/ProgressBar.h"
#include "protocol/Exchange.h"
#include "serial/SerialChannel.h"
#include "switches/SettingLists.h"
#include "switches/SwitchImage.h"

namespace vemora {

class SwitchSettingsState {
  public:
    // The channel belongs to the connection dialog, which keeps it open while this one runs.
    SwitchSettingsState(CSerialChannel* channel, Pause pause, DialogView& view);

    const SwitchImage& Image() const { return image_; }
    // The item the setting's list shows; -1 for none (also for an index beyond its items).
    int Shown(Setting setting) const;
    // Set Status, Save Status and the five lists: usable once a status is held, for good.
    bool SettingsEnabled() const { return statusHeld_; }
    int ProgressPosition() const { return progress_.Position(); }

    void OnGetStatus();
    void OnSetStatus();
    // The file the operator chose; an empty path when the file dialog was cancelled.
    void OnSaveStatus(const std::filesystem::path& chosen);
    void OnLoadStatus(const std::filesystem::path& chosen);
    // A pick in a list, also of the item it already shows: a bank whose value maps to that item
    // may hold more than the item's value.
    void OnPick(Setting setting, int index);

  private:
    // A list that shows no item reads back as -1.
    void ReadSelections();
    // The lists show the selections and become usable.
    void HoldStatus();
    void ShowFileFailure(const FileResult& result, bool saving);

    CSerialChannel* channel_;
    Pause pause_;
    DialogView& view_;
    ProgressBar progress_;
    SwitchImage image_;
    SwitchSelections selections_;
    bool statusHeld_ = false;
};

}  // namespace vemora
