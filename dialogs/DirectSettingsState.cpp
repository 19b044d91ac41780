#include "dialogs/DirectSettingsState.h"

#include "flows/DirectCommands.h"

namespace vemora {

int DirectSettingsState::Shown(Setting setting) const {
    return setting == Setting::CodeTable ? codeTable_ : characterSet_;
}

void DirectSettingsState::OnPick(Setting setting, int index) {
    if (SettingItem(setting, index) == nullptr) {
        return;
    }
    (setting == Setting::CodeTable ? codeTable_ : characterSet_) = index;
}

// Nothing comes back from the display in these modes; only a port that takes nothing is told.
void DirectSettingsState::OnSetStatus() {
    Tell(view_, SendDirectSettings(*channel_, codeTable_, characterSet_));
}

void DirectSettingsState::OnShowInformation() {
    Tell(view_, ShowInformation(*channel_));
}

}  // namespace vemora
