#include "gui/ConnectionDlg.h"

#include <QLineEdit>

#include "gui/DirectSettingsDlg.h"
#include "gui/MessageBox.h"
#include "gui/SwitchSettingsDlg.h"
#include "ui_ConnectionDlg.h"

namespace vemora {

namespace {

template <typename Items>
void Fill(QComboBox* list, const Items& items) {
    for (const auto& item : items) {
        if constexpr (std::is_same_v<std::decay_t<decltype(item)>, const char*>) {
            list->addItem(QString::fromUtf8(item));
        } else {
            list->addItem(QString::fromUtf8(item.text));
        }
    }
    list->setCurrentIndex(0);
}

// Typed text selects nothing, also when it spells an item: only a pick from the list does. The
// list itself would select a matching item on Enter and when the focus leaves it.
void KeepTypedTextUnselected(QComboBox* list) {
    list->setCompleter(nullptr);
    QLineEdit* edit = list->lineEdit();
    QObject::disconnect(edit, &QLineEdit::returnPressed, list, nullptr);
    QObject::disconnect(edit, &QLineEdit::editingFinished, list, nullptr);
}

}  // namespace

CConnectionDlg::CConnectionDlg(std::unique_ptr<SerialDevice> device,
                               std::unique_ptr<Spooler> spooler, Pause pause,
                               const std::vector<std::string>& extraPortNames, QWidget* parent)
    : QDialog(parent),
      MessageBoxView(this),
      ui_(std::make_unique<Ui::ConnectionDlg>()),
      state_(std::move(device), std::move(spooler), std::move(pause), extraPortNames, *this) {
    ui_->setupUi(this);
    FillLists();
    BindLists();
    connect(ui_->checkCommunicationButton, &QPushButton::clicked, this,
            [this] { state_.OnCheckCommunication(); });
    connect(ui_->selfTestButton, &QPushButton::clicked, this, [this] { state_.OnSelfTest(); });
    connect(ui_->runManagerButton, &QPushButton::clicked, this, &CConnectionDlg::OnRunManager);
    Refresh();
}

CConnectionDlg::~CConnectionDlg() {
    state_.CloseAndRestorePrinters();
}

void CConnectionDlg::FillLists() {
    for (const std::string& name : state_.PortNames()) {
        ui_->portList->addItem(QString::fromStdString(name));
    }
    Fill(ui_->baudRateList, kBaudRateItems);
    Fill(ui_->dataBitsList, kDataBitsItems);
    Fill(ui_->parityList, kParityItems);
    Fill(ui_->stopBitsList, kStopBitsItems);
    Fill(ui_->flowControlList, kFlowControlItems);
    Fill(ui_->emulationModeList, kEmulationModeItems);
}

void CConnectionDlg::BindLists() {
    const std::pair<QComboBox*, LineList> lists[] = {
        {ui_->portList, LineList::Port},
        {ui_->baudRateList, LineList::BaudRate},
        {ui_->dataBitsList, LineList::DataBits},
        {ui_->parityList, LineList::Parity},
        {ui_->emulationModeList, LineList::EmulationMode}};
    for (const auto& [list, which] : lists) {
        connect(list, &QComboBox::currentIndexChanged, this,
                [this, choice = which](int index) { state_.Choose(choice, index); });
    }
    KeepTypedTextUnselected(ui_->parityList);
    connect(ui_->parityList, &QComboBox::editTextChanged, this,
            [this](const QString& text) { state_.ParityText(text.toStdString()); });
}

void CConnectionDlg::SelectPort(const std::string& name) {
    const int index = state_.AddPort(name);
    if (index == ui_->portList->count()) {
        ui_->portList->addItem(QString::fromStdString(name));
    }
    ui_->portList->setCurrentIndex(index);
}

void CConnectionDlg::Refresh() {
    ui_->selfTestButton->setEnabled(state_.SettingsEnabled());
    ui_->runManagerButton->setEnabled(state_.SettingsEnabled());
    ui_->checkCommunicationButton->setEnabled(state_.CheckEnabled());
}

void CConnectionDlg::OnRunManager() {
    if (state_.OnRunManager() == ManagerDialog::Switches) {
        CSwitchSettingsDlg settings(&state_.Channel(), state_.Pauses(), this);
        settings.exec();
    } else {
        CDirectSettingsDlg settings(&state_.Channel(), this);
        settings.exec();
    }
}

}  // namespace vemora
