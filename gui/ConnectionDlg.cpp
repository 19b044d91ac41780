#include "gui/ConnectionDlg.h"

#include "gui/DirectSettingsDlg.h"
#include "gui/MessageBox.h"
#include "gui/SwitchSettingsDlg.h"
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

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

}  // namespace

CConnectionDlg::CConnectionDlg(std::unique_ptr<SerialDevice> device,
                               std::unique_ptr<Spooler> spooler, Pause pause,
                               const std::vector<std::string>& extraPortNames, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::ConnectionDlg>()),
      channel_(std::move(device)),
      printers_(std::move(spooler)),
      pause_(std::move(pause)) {
    ui_->setupUi(this);
    for (const std::string_view name : kFixedPortNames) {
        ui_->portList->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    for (const std::string& name : extraPortNames) {
        ui_->portList->addItem(QString::fromStdString(name));
    }
    ui_->portList->setCurrentIndex(0);
    // Typed parity text selects nothing: without a completer no typing picks an item.
    ui_->parityList->setCompleter(nullptr);
    for (QComboBox* list : {ui_->portList, ui_->baudRateList, ui_->dataBitsList, ui_->parityList,
                            ui_->emulationModeList}) {
        connect(list, &QComboBox::currentIndexChanged, this, &CConnectionDlg::DropConnection);
    }
    connect(ui_->checkCommunicationButton, &QPushButton::clicked, this,
            &CConnectionDlg::OnCheckCommunication);
    connect(ui_->selfTestButton, &QPushButton::clicked, this, &CConnectionDlg::OnSelfTest);
    connect(ui_->runManagerButton, &QPushButton::clicked, this, &CConnectionDlg::OnRunManager);
}

CConnectionDlg::~CConnectionDlg() {
    CloseAndRestorePrinters();
}

std::vector<UnrestoredPrinter> CConnectionDlg::CloseAndRestorePrinters(
    std::chrono::milliseconds limit) {
    if (connected_) {
        channel_.Close();
        connected_ = false;
    }
    std::vector<UnrestoredPrinter> unrestored = printers_.RestorePrinterPorts(limit);
    portLocks_.Clear();
    return unrestored;
}

void CConnectionDlg::InterruptPrinters() {
    printers_.Interrupt();
}

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

EmulationMode CConnectionDlg::Mode() const {
    return static_cast<EmulationMode>(ui_->emulationModeList->currentIndex());
}

void CConnectionDlg::OnCheckCommunication() {
    if (connected_) {
        return;
    }
    const ConnectionChoice choice = Choice();
    if (choice.parity >= 0 && choice.parity <= 2) {
        parity_ = choice.parity;
    }
    LineSettings settings;
    settings.portName = choice.portName;
    settings.baudRate = static_cast<std::uint32_t>(std::stoul(choice.baudRate));
    settings.dataBits = std::stoi(choice.dataBits);
    settings.parity = parity_;
    settings.stopBits = choice.stopBits;
    const EmulationMode mode = Mode();
    const Outcome outcome = CheckConnection(
        channel_, settings, mode,
        [this](const std::string& port) {
            if (const LockError lock = portLocks_.Take(port); lock.failure != LockFailure::None) {
                return PortLockRefusal(port, lock);
            }
            const ReleaseReport report = printers_.ReleasePrinterPorts(port);
            if (const std::vector<std::string> lines = DescribeRelease(report); !lines.empty()) {
                ShowMessage(this, kPrinterWarning, MessageIcon::Exclamation, Lines(lines));
            }
            return OpenError{};
        },
        pause_);
    if (outcome != Outcome::Connected) {
        portLocks_.Clear();
        ShowOutcome(this, outcome,
                    outcome == Outcome::OpenFailed ? DescribeOpenError(channel_.LastOpenError())
                                                   : std::string());
        return;
    }
    connected_ = true;
    // The display stays in its setup mode until the operator has read the message.
    ShowOutcome(this, outcome);
    FinishConnectionCheck(channel_, mode);
    ShowConnected(true);
}

void CConnectionDlg::OnSelfTest() {
    ShowOutcome(this, RunSelfTest(channel_, Mode()));
}

void CConnectionDlg::OnRunManager() {
    if (Mode() == EmulationMode::EscPos) {
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
    portLocks_.Clear();
    connected_ = false;
    ShowConnected(false);
}

void CConnectionDlg::ShowConnected(bool connected) {
    ui_->selfTestButton->setEnabled(connected);
    ui_->runManagerButton->setEnabled(connected);
    ui_->checkCommunicationButton->setEnabled(!connected);
}

}  // namespace vemora
