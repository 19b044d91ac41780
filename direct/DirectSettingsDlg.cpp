#include "direct/DirectSettingsDlg.h"

#include <QComboBox>

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
    : QDialog(parent), ui_(std::make_unique<Ui::DirectSettingsDlg>()), channel_(channel) {
    ui_->setupUi(this);
    Fill(ui_->codeTableList, Setting::CodeTable);
    Fill(ui_->characterSetList, Setting::CharacterSet);
}

CDirectSettingsDlg::~CDirectSettingsDlg() = default;

}  // namespace vemora
