#include "gui/SwitchSettingsDlg.h"

#include <QFile>
#include <QFileDialog>
#include <string>
#include <system_error>

#include "gui/MessageBox.h"
#include "switches/StatusFile.h"
#include "ui_SwitchSettingsDlg.h"

namespace vemora {

namespace {

namespace fs = std::filesystem;

constexpr int kProgressStep = 4;

fs::path AskForStatusFile(QWidget* owner, StatusFileDialog which) {
    const bool save = which == StatusFileDialog::Save;
    QFileDialog dialog(owner, save ? "Save current status" : "Load saved status");
    dialog.setNameFilter("Status Files (*.sts)");
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.selectFile(save ? "Noname.sts" : "*.sts");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

// A file of the wrong size gets the wrong-format message; one that could not be used at all is
// named with the system's reason.
void ShowFileFailure(QWidget* parent, const FileResult& result, bool saving) {
    const Outcome outcome = FileOutcomeOf(result);
    if (outcome == Outcome::WrongFormat) {
        ShowOutcome(parent, outcome, result.reason);
    } else {
        ShowMessage(parent, DescribeFileFailure(result, saving), MessageIcon::Exclamation);
    }
}

}  // namespace

CSwitchSettingsDlg::CSwitchSettingsDlg(CSerialChannel* channel, Pause pause, QWidget* parent)
    : CSettingsDialog(parent),
      ui_(std::make_unique<Ui::SwitchSettingsDlg>()),
      channel_(channel),
      pause_(std::move(pause)),
      chooseFile_([this](StatusFileDialog which) { return AskForStatusFile(this, which); }) {
    ui_->setupUi(this);
    for (const Setting setting : kAllSettings) {
        QComboBox* list = List(setting);
        for (const char* item : SettingItems(setting)) {
            list->addItem(QString::fromUtf8(item));
        }
        // Every pick applies, also of the item the list already shows: a bank whose value maps
        // to that item may hold more than the item's value.
        connect(list, &QComboBox::activated, this, [this, setting] { OnSettingChosen(setting); });
    }
    ShowSelections();
    connect(ui_->getStatusButton, &QPushButton::clicked, this, &CSwitchSettingsDlg::OnGetStatus);
    connect(ui_->setStatusButton, &QPushButton::clicked, this, &CSwitchSettingsDlg::OnSetStatus);
    connect(ui_->saveStatusButton, &QPushButton::clicked, this, &CSwitchSettingsDlg::OnSaveStatus);
    connect(ui_->loadStatusButton, &QPushButton::clicked, this, &CSwitchSettingsDlg::OnLoadStatus);
}

CSwitchSettingsDlg::~CSwitchSettingsDlg() = default;

void CSwitchSettingsDlg::SetFileChooser(StatusFileChooser chooser) {
    chooseFile_ = std::move(chooser);
}

void CSwitchSettingsDlg::SetPosition(int position) {
    ui_->progressBar->setValue(position);
    ui_->progressBar->repaint();
}

void CSwitchSettingsDlg::Step() {
    const QProgressBar& bar = *ui_->progressBar;
    int position = bar.value() + kProgressStep;
    if (position > bar.maximum()) {
        position = (position - bar.minimum()) % (bar.maximum() - bar.minimum()) + bar.minimum();
    }
    SetPosition(position);
}

void CSwitchSettingsDlg::EnableSettings(bool enable) {
    ui_->setStatusButton->setEnabled(enable);
    ui_->saveStatusButton->setEnabled(enable);
    for (const Setting setting : kAllSettings) {
        List(setting)->setEnabled(enable);
    }
}

void CSwitchSettingsDlg::OnGetStatus() {
    // The image changes only when all five banks arrived.
    const Outcome outcome = GetStatus(*channel_, pause_, *this, image_);
    if (outcome != Outcome::GotStatus) {
        SetPosition(0);
        ShowOutcome(this, outcome);
        return;
    }
    selections_ = image_.ComputeSelections();
    SetPosition(100);
    // The lists change once the operator has read the message.
    ShowOutcome(this, outcome);
    ShowSelections();
    EnableSettings(true);
    SetPosition(0);
}

void CSwitchSettingsDlg::OnSetStatus() {
    ReadSelections();
    const Outcome outcome = SetStatus(*channel_, pause_, *this, image_);
    SetPosition(outcome == Outcome::SetStatus ? 100 : 0);
    ShowOutcome(this, outcome);
    SetPosition(0);
}

void CSwitchSettingsDlg::OnSaveStatus() {
    const fs::path chosen = chooseFile_(StatusFileDialog::Save);
    if (chosen.empty()) {
        return;
    }
    // The file dialog asked about replacing the name it was given, not the lengthened one.
    const fs::path target = StatusSavePath(chosen);
    std::error_code error;
    if (target != chosen && fs::exists(target, error) &&
        !AskYesNo(this,
                  target.filename().string() + " already exists.\nDo you want to replace it?")) {
        return;
    }
    const FileResult result = SaveStatusFile(target, image_);
    if (!result.ok()) {
        ShowFileFailure(this, result, true);
    }
}

void CSwitchSettingsDlg::OnLoadStatus() {
    const fs::path chosen = chooseFile_(StatusFileDialog::Load);
    if (chosen.empty()) {
        return;
    }
    FileResult result = CheckStatusLoadName(chosen);
    if (result.ok()) {
        result = LoadStatusFile(chosen, image_);
    }
    if (!result.ok()) {
        ShowFileFailure(this, result, false);
        return;
    }
    selections_ = image_.ComputeSelections();
    ShowSelections();
    EnableSettings(true);
}

void CSwitchSettingsDlg::OnSettingChosen(Setting setting) {
    ReadSelections();
    ApplySetting(image_, setting, selections_.*SelectionMember(setting));
    ShowSelections();
}

QComboBox* CSwitchSettingsDlg::List(Setting setting) const {
    switch (setting) {
        case Setting::CodeTable:
            return ui_->codeTableList;
        case Setting::CharacterSet:
            return ui_->characterSetList;
        case Setting::Brightness:
            return ui_->brightnessList;
        case Setting::PeripheralDevice:
            return ui_->peripheralDeviceList;
        case Setting::CursorMode:
            break;
    }
    return ui_->cursorModeList;
}

void CSwitchSettingsDlg::ShowSelections() {
    for (const Setting setting : kAllSettings) {
        QComboBox* list = List(setting);
        const std::int32_t index = selections_.*SelectionMember(setting);
        // No pick of the operator's (no activated signal): the image stays as it is.
        list->setCurrentIndex(SettingItem(setting, index) != nullptr ? index : -1);
    }
}

void CSwitchSettingsDlg::ReadSelections() {
    for (const Setting setting : kAllSettings) {
        selections_.*SelectionMember(setting) = List(setting)->currentIndex();
    }
}

}  // namespace vemora
