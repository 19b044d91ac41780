#include "app/ConnectionDlg.h"

#include "direct/DirectSettingsDlg.h"
#include "serial/PortNames.h"
#include "ui_ConnectionDlg.h"

namespace vemora {

namespace {

std::string Text(const QComboBox& list) {
    return list.currentText().toStdString();
}

// Typed text selects nothing: only an item counts as a selection.
int SelectedItem(const QComboBox& list) {
    const int index = list.currentIndex();
    return index >= 0 && list.itemText(index) == list.currentText() ? index : -1;
}

}  // namespace

CConnectionDlg::CConnectionDlg(std::unique_ptr<SerialDevice> device, Pause pause,
                               const std::vector<std::string>& extraPortNames, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::ConnectionDlg>()),
      channel_(std::move(device)),
      pause_(std::move(pause)) {
    ui_->setupUi(this);
    for (const std::string_view name : kFixedPortNames) {
        ui_->portList->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    for (const std::string& name : extraPortNames) {
        ui_->portList->addItem(QString::fromStdString(name));
    }
    ui_->portList->setCurrentIndex(0);
    for (QComboBox* list : {ui_->portList, ui_->baudRateList, ui_->dataBitsList, ui_->parityList,
                            ui_->emulationModeList}) {
        connect(list, &QComboBox::currentIndexChanged, this, &CConnectionDlg::DropConnection);
    }
    connect(ui_->runManagerButton, &QPushButton::clicked, this, &CConnectionDlg::OnRunManager);
}

CConnectionDlg::~CConnectionDlg() = default;

void CConnectionDlg::SelectPort(const std::string& name) {
    const QString text = QString::fromStdString(name);
    if (ui_->portList->findText(text) < 0) {
        ui_->portList->addItem(text);
    }
    ui_->portList->setCurrentText(text);
}

ConnectionChoice CConnectionDlg::Choice() const {
    return {Text(*ui_->portList),
            Text(*ui_->baudRateList),
            Text(*ui_->dataBitsList),
            SelectedItem(*ui_->parityList),
            ui_->stopBitsList->currentIndex(),
            ui_->emulationModeList->currentIndex()};
}

void CConnectionDlg::EnterConnectedState() {
    connected_ = true;
    ShowConnected(true);
}

void CConnectionDlg::OnRunManager() {
    if (ui_->emulationModeList->currentIndex() == 0) {
        CSwitchSettingsDlg settings(&channel_, pause_, this);
        settings.exec();
    } else {
        CDirectSettingsDlg settings(&channel_, this);
        settings.exec();
    }
}

void CConnectionDlg::DropConnection() {
    if (!connected_) {
        return;
    }
    channel_.Close();
    connected_ = false;
    ShowConnected(false);
}

void CConnectionDlg::ShowConnected(bool connected) {
    ui_->selfTestButton->setEnabled(connected);
    ui_->runManagerButton->setEnabled(connected);
    ui_->checkCommunicationButton->setEnabled(!connected);
}

}  // namespace vemora
