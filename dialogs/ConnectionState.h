#pragma once
// What the connection dialog knows and does, whatever shows it: the line settings chosen, the
// connected state, which buttons are usable, the connection check and the self test.

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/DialogView.h"
#include "dialogs/LineChoices.h"
#include "flows/ConnectionCheck.h"
#include "printers/HostLock.h"
#include "printers/PrinterPorts.h"
#include "serial/SerialChannel.h"

namespace vemora {

// The lists whose change drops a connection.
enum class LineList { Port, BaudRate, DataBits, Parity, EmulationMode };

// The settings dialog that Run Manager opens.
enum class ManagerDialog { Switches, Direct };

class ConnectionState {
  public:
    // The Port list holds the fixed names, then `extraPortNames` (devices found on this machine).
    // Printers on the chosen port are parked through `spooler` while the program may use it.
    ConnectionState(std::unique_ptr<SerialDevice> device, std::unique_ptr<Spooler> spooler,
                    Pause pause, const std::vector<std::string>& extraPortNames, DialogView& view);

    const std::vector<std::string>& PortNames() const { return portNames_; }
    // The list's selection; for Parity -1 while typed text stands in it.
    int Selected(LineList list) const;
    bool Connected() const { return connected_; }
    bool CheckEnabled() const { return !connected_; }
    // Self Test and Run Manager.
    bool SettingsEnabled() const { return connected_; }
    EmulationMode Mode() const {
        return kEmulationModeItems[picks_[Index(LineList::EmulationMode)]].value;
    }
    // What the next check uses: typed parity text selects nothing and keeps the last parity used.
    LineSettings Settings() const;

    // The selection of a list changed (a pick, or a port chosen on the command line).
    void Choose(LineList list, int index);
    // The parity list's text, typed or shown by a pick: only an item's own text is a selection.
    void ParityText(std::string_view text);
    // Adds the named port to the end of the list when it is not there; returns its index.
    int AddPort(const std::string& name);

    void OnCheckCommunication();
    void OnSelfTest();
    ManagerDialog OnRunManager() const;

    // The settings dialogs talk over the open channel and pause the same way.
    CSerialChannel& Channel() { return channel_; }
    const Pause& Pauses() const { return pause_; }

    // The end of the program: closes the port, then gives every parked printer its port back
    // within `limit`; returns the printers that did not get it back.
    std::vector<UnrestoredPrinter> CloseAndRestorePrinters(
        std::chrono::milliseconds limit = kPassDeadline);
    // Ends a printer release under way at once (the program is ending); safe in a signal handler.
    void InterruptPrinters() { printers_.Interrupt(); }

  private:
    static std::size_t Index(LineList list) { return static_cast<std::size_t>(list); }
    // Takes the port's lock, then parks the printers that use the port.
    OpenError TakePort(const std::string& port);
    // A display found before may not be reachable any more: the channel closes.
    void DropConnection();

    CSerialChannel channel_;
    // The port's lock, held while the port is open, so that no other program opens it meanwhile.
    PortLocks portLocks_;
    PrinterPorts printers_;
    Pause pause_;
    DialogView& view_;
    std::vector<std::string> portNames_;
    std::array<int, 5> picks_{};
    bool parityTyped_ = false;
    // The parity of the last check; typed text keeps it.
    std::int32_t parity_ = 0;
    bool connected_ = false;
};

// The serial ports of this machine beyond the fixed names, for the Port list.
std::vector<std::string> FoundPortNames();

// What the operator is told about printers that did not get their port back at the end; no text
// when every printer got it back.
Notice UnrestoredNotice(const std::vector<UnrestoredPrinter>& printers);

}  // namespace vemora
