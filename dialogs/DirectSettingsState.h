#pragma once
// What the direct settings dialog knows and does, whatever shows it: a code table and an
// international character set, sent as direct commands only when Set Status is pressed.

#include "dialogs/DialogView.h"
#include "serial/SerialChannel.h"
#include "switches/SettingLists.h"

namespace vemora {

class DirectSettingsState {
  public:
    // The two settings that the direct commands carry, in the order of the dialog's lists.
    static constexpr std::array<Setting, 2> kLists{Setting::CodeTable, Setting::CharacterSet};

    // The channel belongs to the connection dialog, which keeps it open while this one runs.
    DirectSettingsState(CSerialChannel* channel, DialogView& view)
        : channel_(channel), view_(view) {}

    // Both lists start on their first item.
    int Shown(Setting setting) const;

    // A list's selection changed; nothing is sent.
    void OnPick(Setting setting, int index);
    void OnSetStatus();
    void OnShowInformation();

  private:
    CSerialChannel* channel_;
    DialogView& view_;
    int codeTable_ = 0;
    int characterSet_ = 0;
};

}  // namespace vemora
