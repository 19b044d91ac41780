#include "gui/SwitchSettingsDlg.h"

#include <QFile>
#include <QFileDialog>

#include "gui/MessageBox.h"
#include "ui_SwitchSettingsDlg.h"

namespace vemora {

namespace {

namespace fs = std::filesystem;

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

}  // namespace

CSwitchSettingsDlg::CSwitchSettingsDlg(CSerialChannel* channel, Pause pause, QWidget* parent)
    : CSettingsDialog(parent),
      MessageBoxView(this),
      ui_(std::make_unique<Ui::SwitchSettingsDlg>()),
      state_(channel, std::move(pause), *this),
      chooseFile_([this](StatusFileDialog which) { return AskForStatusFile(this, which); }) {
    ui_->setupUi(this);
    for (const SettingRow& row : kSettings) {
        QComboBox* list = findChild<QComboBox*>(QString(row.key) + "List");
        for (const char* item : row.items) {
            list->addItem(QString::fromUtf8(item));
        }
        connect(list, &QComboBox::activated, this,
                [this, setting = row.setting](int index) { state_.OnPick(setting, index); });
        lists_[static_cast<std::size_t>(row.setting)] = list;
    }
    connect(ui_->getStatusButton, &QPushButton::clicked, this, [this] { state_.OnGetStatus(); });
    connect(ui_->setStatusButton, &QPushButton::clicked, this, [this] { state_.OnSetStatus(); });
    connect(ui_->saveStatusButton, &QPushButton::clicked, this,
            [this] { state_.OnSaveStatus(chooseFile_(StatusFileDialog::Save)); });
    connect(ui_->loadStatusButton, &QPushButton::clicked, this,
            [this] { state_.OnLoadStatus(chooseFile_(StatusFileDialog::Load)); });
    Refresh();
}

CSwitchSettingsDlg::~CSwitchSettingsDlg() = default;

void CSwitchSettingsDlg::SetFileChooser(StatusFileChooser chooser) {
    chooseFile_ = std::move(chooser);
}

void CSwitchSettingsDlg::Refresh() {
    const bool enabled = state_.SettingsEnabled();
    ui_->setStatusButton->setEnabled(enabled);
    ui_->saveStatusButton->setEnabled(enabled);
    for (const Setting setting : kAllSettings) {
        QComboBox* list = lists_[static_cast<std::size_t>(setting)];
        list->setEnabled(enabled);
        // Not a pick of the operator's (no activated signal): the image stays as it is.
        list->setCurrentIndex(state_.Shown(setting));
    }
    ui_->progressBar->setValue(state_.ProgressPosition());
    ui_->progressBar->repaint();
}

}  // namespace vemora
