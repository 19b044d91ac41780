#pragma once
// The program's one long-lived window: the serial settings and the emulation mode, the connected
// state, and the door to the settings dialog that fits the mode.

#include <QDialog>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "flows/ConnectionCheck.h"
#include "printers/PrinterPorts.h"
#include "serial/SerialChannel.h"

namespace Ui {
class ConnectionDlg;
}

namespace vemora {

// What the lists show, as a connection check takes it.
struct ConnectionChoice {
    std::string portName;   // item text, e.g. "COM1" or a device path
    std::string baudRate;   // item text
    std::string dataBits;   // item text
    int parity = 0;         // 0 none, 1 odd, 2 even; -1 when typed text stands in the list
    int stopBits = 0;       // 0 one, 1 one and a half, 2 two
    int emulationMode = 0;  // 0 ESC/POS, 1 KORVANT, 2 Others
    bool operator==(const ConnectionChoice&) const = default;
};

class CConnectionDlg : public QDialog {
    Q_OBJECT

  public:
    // The Port list holds the fixed names, then `extraPortNames` (devices found on this machine).
    // Printers on the chosen port are parked through `spooler` while the program may use it.
    CConnectionDlg(std::unique_ptr<SerialDevice> device, std::unique_ptr<Spooler> spooler,
                   Pause pause, const std::vector<std::string>& extraPortNames,
                   QWidget* parent = nullptr);
    // Gives the printers their ports back if CloseAndRestorePrinters has not.
    ~CConnectionDlg() override;

    // The end of the program: closes the port, then gives every parked printer its port back
    // within `limit`; returns the printers that did not get it back.
    std::vector<UnrestoredPrinter> CloseAndRestorePrinters(
        std::chrono::milliseconds limit = kPassDeadline);
    // Ends a printer release under way at once (the program is ending); safe in a signal handler.
    void InterruptPrinters();

    // Selects the named port, adding it to the end of the list when it is not there.
    void SelectPort(const std::string& name);

    ConnectionChoice Choice() const;

    const CSerialChannel& Channel() const { return channel_; }

  private:
    void OnCheckCommunication();
    void OnSelfTest();
    void OnRunManager();
    EmulationMode Mode() const;
    // A change of port, line setting or emulation mode: a display found before may not be
    // reachable any more, so the channel closes and a new check is needed.
    void DropConnection();
    void ShowConnected(bool connected);

    std::unique_ptr<Ui::ConnectionDlg> ui_;
    CSerialChannel channel_;
    // The port's lock, held while the port is open, so that no other program opens it meanwhile.
    PortLocks portLocks_;
    PrinterPorts printers_;
    Pause pause_;
    // Typed parity text selects nothing and leaves the last captured parity as it was.
    std::int32_t parity_ = 0;
    bool connected_ = false;
};

}  // namespace vemora
