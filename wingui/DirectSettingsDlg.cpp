#include "wingui/DirectSettingsDlg.h"

#include "wingui/Controls.h"

namespace vemora {

void CDirectSettingsDlg::OnInitDialog() {
    for (const Setting setting : DirectSettingsState::kLists) {
        FillList(Item(ListId(setting)), SettingItems(setting));
        Select(Item(ListId(setting)), state_.Shown(setting));
    }
}

void CDirectSettingsDlg::OnCommand(int id, int code) {
    if (code == BN_CLICKED && id == IDC_SET_STATUS) {
        state_.OnSetStatus();
    } else if (code == BN_CLICKED && id == IDC_SHOW_INFORMATION) {
        state_.OnShowInformation();
    } else if (code == CBN_SELCHANGE) {
        for (const Setting setting : DirectSettingsState::kLists) {
            if (ListId(setting) == id) {
                state_.OnPick(setting, Selection(Item(id)));
            }
        }
    }
}

}  // namespace vemora
