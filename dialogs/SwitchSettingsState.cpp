#include "dialogs/SwitchSettingsState.h"

#include <system_error>

#include "flows/SwitchExchange.h"
#include "switches/StatusFile.h"
#include "switches/Utf8Path.h"

namespace vemora {

namespace fs = std::filesystem;

SwitchSettingsState::SwitchSettingsState(CSerialChannel* channel, Pause pause, DialogView& view)
    : channel_(channel), pause_(std::move(pause)), view_(view), progress_(view) {}

int SwitchSettingsState::Shown(Setting setting) const {
    const std::int32_t index = selections_[setting];
    return SettingItem(setting, index) != nullptr ? index : -1;
}

void SwitchSettingsState::OnGetStatus() {
    // The image changes only when all five banks arrived.
    const Outcome outcome = GetStatus(*channel_, pause_, progress_, image_);
    if (outcome != Outcome::GotStatus) {
        progress_.SetPosition(0);
        Tell(view_, outcome);
        return;
    }
    progress_.SetPosition(ProgressBar::kTop);
    // The lists change once the operator has read the message.
    Tell(view_, outcome);
    HoldStatus();
    progress_.SetPosition(0);
}

void SwitchSettingsState::OnSetStatus() {
    if (!statusHeld_) {
        return;
    }
    ReadSelections();
    const Outcome outcome = SetStatus(*channel_, pause_, progress_, image_);
    progress_.SetPosition(outcome == Outcome::SetStatus ? ProgressBar::kTop : 0);
    Tell(view_, outcome);
    progress_.SetPosition(0);
}

void SwitchSettingsState::OnSaveStatus(const fs::path& chosen) {
    if (!statusHeld_ || chosen.empty()) {
        return;
    }
    // The file dialog asked about replacing the name it was given, not the lengthened one.
    const fs::path target = StatusSavePath(chosen);
    std::error_code error;
    if (target != chosen && fs::exists(target, error) &&
        !view_.Ask(Utf8Text(target.filename()) + " already exists.\nDo you want to replace it?")) {
        return;
    }
    if (const FileResult result = SaveStatusFile(target, image_); !result.ok()) {
        ShowFileFailure(result, true);
    }
}

void SwitchSettingsState::OnLoadStatus(const fs::path& chosen) {
    if (chosen.empty()) {
        return;
    }
    FileResult result = CheckStatusLoadName(chosen);
    if (result.ok()) {
        result = LoadStatusFile(chosen, image_);
    }
    if (!result.ok()) {
        ShowFileFailure(result, false);
        return;
    }
    HoldStatus();
}

void SwitchSettingsState::OnPick(Setting setting, int index) {
    if (!statusHeld_ || SettingItem(setting, index) == nullptr) {
        return;
    }
    ReadSelections();
    selections_[setting] = index;
    ApplySetting(image_, setting, index);
    view_.Refresh();
}

void SwitchSettingsState::ReadSelections() {
    for (const Setting setting : kAllSettings) {
        selections_[setting] = Shown(setting);
    }
}

void SwitchSettingsState::HoldStatus() {
    selections_ = SelectionsOf(image_);
    statusHeld_ = true;
    view_.Refresh();
}

// A file of the wrong size gets the wrong-format message; one that could not be used at all is
// named with the system's reason.
void SwitchSettingsState::ShowFileFailure(const FileResult& result, bool saving) {
    if (const Outcome outcome = FileOutcomeOf(result); outcome == Outcome::WrongFormat) {
        Tell(view_, outcome, result.reason);
    } else {
        view_.Show({DescribeFileFailure(result, saving), MessageIcon::Exclamation, {}});
    }
}

}  // namespace vemora
