#include "dialogs/ConnectionState.h"

#include "serial/PortList.h"
#include "serial/PortNames.h"

namespace vemora {

namespace {

constexpr std::array<std::size_t, 5> kListSizes{0, kBaudRateItems.size(), kDataBitsItems.size(),
                                                kParityItems.size(), kEmulationModeItems.size()};

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

}  // namespace

ConnectionState::ConnectionState(std::unique_ptr<SerialDevice> device,
                                 std::unique_ptr<Spooler> spooler, Pause pause,
                                 const std::vector<std::string>& extraPortNames, DialogView& view)
    : channel_(std::move(device)),
      printers_(std::move(spooler)),
      pause_(std::move(pause)),
      view_(view),
      portNames_(kFixedPortNames.begin(), kFixedPortNames.end()) {
    portNames_.insert(portNames_.end(), extraPortNames.begin(), extraPortNames.end());
}

int ConnectionState::Selected(LineList list) const {
    return list == LineList::Parity && parityTyped_ ? -1 : picks_[Index(list)];
}

LineSettings ConnectionState::Settings() const {
    LineSettings settings;
    settings.portName = portNames_[picks_[Index(LineList::Port)]];
    settings.baudRate = kBaudRateItems[picks_[Index(LineList::BaudRate)]].value;
    settings.dataBits = kDataBitsItems[picks_[Index(LineList::DataBits)]].value;
    settings.parity = parityTyped_ ? parity_ : kParityItems[picks_[Index(LineList::Parity)]].value;
    return settings;
}

void ConnectionState::Choose(LineList list, int index) {
    const std::size_t size = list == LineList::Port ? portNames_.size() : kListSizes[Index(list)];
    if (index < 0 || static_cast<std::size_t>(index) >= size || index == picks_[Index(list)]) {
        return;
    }
    picks_[Index(list)] = index;
    // A pick puts the item's own text in the parity list.
    parityTyped_ = parityTyped_ && list != LineList::Parity;
    DropConnection();
}

void ConnectionState::ParityText(std::string_view text) {
    parityTyped_ = text != kParityItems[picks_[Index(LineList::Parity)]].text;
}

int ConnectionState::AddPort(const std::string& name) {
    const auto found = std::find(portNames_.begin(), portNames_.end(), name);
    if (found != portNames_.end()) {
        return static_cast<int>(found - portNames_.begin());
    }
    portNames_.push_back(name);
    return static_cast<int>(portNames_.size() - 1);
}

OpenError ConnectionState::TakePort(const std::string& port) {
    if (const LockError lock = portLocks_.Take(port); lock.failure != LockFailure::None) {
        return PortLockRefusal(port, lock);
    }
    const ReleaseReport report = printers_.ReleasePrinterPorts(port);
    if (const std::vector<std::string> lines = DescribeRelease(report); !lines.empty()) {
        view_.Show({std::string(kPrinterWarning), MessageIcon::Exclamation, Lines(lines)});
    }
    return OpenError{};
}

void ConnectionState::OnCheckCommunication() {
    if (connected_) {
        return;
    }
    const LineSettings settings = Settings();
    parity_ = settings.parity;
    const Outcome outcome = CheckConnection(
        channel_, settings, Mode(), [this](const std::string& port) { return TakePort(port); },
        pause_);
    if (outcome != Outcome::Connected) {
        portLocks_.Clear();
        Tell(view_, outcome,
             outcome == Outcome::OpenFailed ? DescribeOpenError(channel_.LastOpenError()) : "");
        return;
    }
    connected_ = true;
    // The display stays in its setup mode until the operator has read the message.
    Tell(view_, outcome);
    FinishConnectionCheck(channel_, Mode());
    view_.Refresh();
}

void ConnectionState::OnSelfTest() {
    Tell(view_, RunSelfTest(channel_, Mode()));
}

ManagerDialog ConnectionState::OnRunManager() const {
    return Mode() == EmulationMode::EscPos ? ManagerDialog::Switches : ManagerDialog::Direct;
}

std::vector<UnrestoredPrinter> ConnectionState::CloseAndRestorePrinters(
    std::chrono::milliseconds limit) {
    if (connected_) {
        channel_.Close();
        connected_ = false;
    }
    std::vector<UnrestoredPrinter> unrestored = printers_.RestorePrinterPorts(limit);
    portLocks_.Clear();
    return unrestored;
}

void ConnectionState::DropConnection() {
    if (!connected_) {
        return;
    }
    channel_.Close();
    portLocks_.Clear();
    connected_ = false;
    view_.Refresh();
}

std::vector<std::string> FoundPortNames() {
    std::vector<std::string> names;
    for (const PortChoice& port : ListPorts()) {
        if (std::find(kFixedPortNames.begin(), kFixedPortNames.end(), port.name) ==
            kFixedPortNames.end()) {
            names.push_back(port.name);
        }
    }
    return names;
}

Notice UnrestoredNotice(const std::vector<UnrestoredPrinter>& printers) {
    if (printers.empty()) {
        return {};
    }
    std::vector<std::string> lines;
    for (const UnrestoredPrinter& printer : printers) {
        lines.push_back(DescribeUnrestored(printer));
    }
    const std::string_view heading =
        LeftParked(printers) ? kUnrestoredHeading : kRestoredWithWarningHeading;
    return {std::string(heading), MessageIcon::Exclamation, Lines(lines)};
}

}  // namespace vemora
