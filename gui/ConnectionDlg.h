#pragma once
// The program's one long-lived window: the Qt face of ConnectionState, which holds the serial
// settings, the connected state and the door to the settings dialog that fits the mode.

#include <QDialog>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/ConnectionState.h"
#include "gui/MessageBox.h"

namespace Ui {
class ConnectionDlg;
}

namespace vemora {

class CConnectionDlg : public QDialog, private MessageBoxView {
    Q_OBJECT

  public:
    // The Port list holds the fixed names, then `extraPortNames` (devices found on this machine).
    // Printers on the chosen port are parked through `spooler` while the program may use it.
    CConnectionDlg(std::unique_ptr<SerialDevice> device, std::unique_ptr<Spooler> spooler,
                   Pause pause, const std::vector<std::string>& extraPortNames,
                   QWidget* parent = nullptr);
    // Gives the printers their ports back if CloseAndRestorePrinters has not.
    ~CConnectionDlg() override;

    std::vector<UnrestoredPrinter> CloseAndRestorePrinters(
        std::chrono::milliseconds limit = kPassDeadline) {
        return state_.CloseAndRestorePrinters(limit);
    }
    void InterruptPrinters() { state_.InterruptPrinters(); }

    // Selects the named port, adding it to the end of the list when it is not there.
    void SelectPort(const std::string& name);

    const ConnectionState& State() const { return state_; }

  private:
    void Refresh() override;
    void FillLists();
    void BindLists();
    void OnRunManager();

    std::unique_ptr<Ui::ConnectionDlg> ui_;
    ConnectionState state_;
};

}  // namespace vemora
