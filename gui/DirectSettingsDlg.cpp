#include "gui/DirectSettingsDlg.h"

#include <QComboBox>

#include "flows/DirectCommands.h"
#include "gui/MessageBox.h"
#include "switches/SettingLists.h"
#include "ui_DirectSettingsDlg.h"

namespace vemora {

namespace {

void Fill(QComboBox* list, Setting setting) {
    for (const char* item : SettingItems(setting)) {
        list->addItem(QString::fromUtf8(item));
    }
    list->setCurrentIndex(0);
}

}  // namespace

CDirectSettingsDlg::CDirectSettingsDlg(CSerialChannel* channel, QWidget* parent)
    : CSettingsDialog(parent), ui_(std::make_unique<Ui::DirectSettingsDlg>()), channel_(channel) {
    ui_->setupUi(this);
    Fill(ui_->codeTableList, Setting::CodeTable);
    Fill(ui_->characterSetList, Setting::CharacterSet);
    connect(ui_->setStatusButton, &QPushButton::clicked, this, &CDirectSettingsDlg::OnSetStatus);
    connect(ui_->showInformationButton, &QPushButton::clicked, this,
            &CDirectSettingsDlg::OnShowInformation);
}

CDirectSettingsDlg::~CDirectSettingsDlg() = default;

// Nothing comes back from the display in these modes; only a port that takes nothing is told.
void CDirectSettingsDlg::OnSetStatus() {
    ShowOutcome(this, SendDirectSettings(*channel_, ui_->codeTableList->currentIndex(),
                                         ui_->characterSetList->currentIndex()));
}

void CDirectSettingsDlg::OnShowInformation() {
    ShowOutcome(this, ShowInformation(*channel_));
}

}  // namespace vemora
