#include "gui/DirectSettingsDlg.h"

#include <QComboBox>

#include "gui/MessageBox.h"
#include "ui_DirectSettingsDlg.h"

namespace vemora {

CDirectSettingsDlg::CDirectSettingsDlg(CSerialChannel* channel, QWidget* parent)
    : CSettingsDialog(parent),
      MessageBoxView(this),
      ui_(std::make_unique<Ui::DirectSettingsDlg>()),
      state_(channel, *this) {
    ui_->setupUi(this);
    for (const Setting setting : DirectSettingsState::kLists) {
        QComboBox* list = findChild<QComboBox*>(QString(RowOf(setting).key) + "List");
        for (const char* item : SettingItems(setting)) {
            list->addItem(QString::fromUtf8(item));
        }
        list->setCurrentIndex(state_.Shown(setting));
        connect(list, &QComboBox::currentIndexChanged, this,
                [this, setting](int index) { state_.OnPick(setting, index); });
    }
    connect(ui_->setStatusButton, &QPushButton::clicked, this, [this] { state_.OnSetStatus(); });
    connect(ui_->showInformationButton, &QPushButton::clicked, this,
            [this] { state_.OnShowInformation(); });
}

CDirectSettingsDlg::~CDirectSettingsDlg() = default;

}  // namespace vemora
