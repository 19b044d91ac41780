#include "wingui/ManagerApp.h"

#include <windows.h>

#include <shellapi.h>
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "printers/Spooler.h"
#include "protocol/GuardedPort.h"
#include "serial/Win32Errors.h"
#include "wingui/ConnectionDlg.h"
#include "wingui/Controls.h"
#include "wingui/MessageBox.h"

namespace vemora {

namespace {

using namespace std::chrono_literals;

// What ends the program from outside while the dialogs run: Ctrl+C or Ctrl+Break in the console
// it was started from, that console closing, a log-off or a shutdown. The exchange under way ends
// (the display leaves its setup mode), every window closes, and the printers get their ports back
// before the system ends the process.
class OutsideEnd {
  public:
    void Watch(GuardedPort& port, CConnectionDlg& dialog) {
        std::lock_guard lock(mutex_);
        port_ = &port;
        dialog_ = &dialog;
    }
    // The printers were given back; nothing is watched any more.
    void Finished() {
        std::lock_guard lock(mutex_);
        port_ = nullptr;
        dialog_ = nullptr;
        SetEvent(finished_);
    }
    bool Begun() const { return begun_; }

    // The console's handler, on a thread of its own; the system ends the process when it returns.
    static BOOL WINAPI OnConsoleEvent(DWORD);

  private:
    // False when nothing is watched: the program is not running its dialogs.
    bool Begin();
    // Asked again until the dialog is there to be closed, and until it is closed.
    void CloseWindows();

    std::mutex mutex_;
    GuardedPort* port_ = nullptr;
    CConnectionDlg* dialog_ = nullptr;
    std::atomic<bool> begun_ = false;
    HANDLE finished_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// The console calls its handler without a context.
OutsideEnd outsideEnd;

bool OutsideEnd::Begin() {
    std::lock_guard lock(mutex_);
    if (dialog_ == nullptr) {
        return false;
    }
    if (!begun_.exchange(true)) {
        // A printer pass under way ends at once; what it parked is given back at the end.
        dialog_->State().InterruptPrinters();
        port_->Shutdown();
        StopShowingMessages();
    }
    return true;
}

void OutsideEnd::CloseWindows() {
    std::lock_guard lock(mutex_);
    if (dialog_ != nullptr && dialog_->Window() != nullptr) {
        PostMessageW(dialog_->Window(), CConnectionDlg::kCloseAll, 0, 0);
    }
}

BOOL WINAPI OutsideEnd::OnConsoleEvent(DWORD) {
    if (!outsideEnd.Begin()) {
        return FALSE;
    }
    const auto until = std::chrono::steady_clock::now() + 5s;
    do {
        outsideEnd.CloseWindows();
    } while (WaitForSingleObject(outsideEnd.finished_, 100) == WAIT_TIMEOUT &&
             std::chrono::steady_clock::now() < until);
    return TRUE;
}

// The command line's arguments after the program's name, as UTF-8.
std::vector<std::string> Arguments() {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(Utf8(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

// Text for whoever started the program: to its console or its redirected output, or in a message
// box when it has neither (started from the Start menu).
void Say(const std::string& text, bool failure) {
    const HANDLE out = GetStdHandle(failure ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD written = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE &&
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        return;
    }
    ShowNotice(nullptr, {text, failure ? MessageIcon::Exclamation : MessageIcon::Information, {}});
}

// Reads the command line into `port`; returns the exit status when the program ends here (help,
// version or a wrong line), nothing when it goes on.
std::optional<int> ParseOptions(std::optional<std::string>& port) {
    CLI::App app{"Sets up a customer pole display on a serial line.", "vemora"};
    // Port names such as \\.\COM10 are values, and no option begins with "/".
    app.allow_windows_style_options(false);
    app.set_help_flag("-h,--help", "this text");
    app.get_formatter()->column_width(16);
    app.set_version_flag("-V,--version", "vemora " VEMORA_VERSION,
                         "the program's name and version");
    std::string name;
    CLI::Option* portOption =
        app.add_option("--port", name, "adds NAME to the Port list and selects it, e.g. COM10")
            ->type_name("NAME");
    std::vector<std::string> arguments = Arguments();
    std::reverse(arguments.begin(), arguments.end());
    try {
        app.parse(arguments);
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = app.exit(error, out, err);
        Say(out.str() + err.str(), status != 0);
        return status == 0 ? 0 : 2;
    }
    if (portOption->count() > 0) {
        port = name;
    }
    return std::nullopt;
}

void ReportUnrestored(const std::vector<UnrestoredPrinter>& unrestored) {
    const Notice notice = UnrestoredNotice(unrestored);
    if (notice.text.empty()) {
        return;
    }
    // Whoever ended the program from outside is not waiting for a window.
    if (outsideEnd.Begun()) {
        Say(notice.text + "\n" + notice.detail, true);
    } else {
        ShowNotice(nullptr, notice);
    }
}

// The connection dialog on this machine's serial ports and printers, until it closes; then the
// printers get their ports back. Returns the exit status: 1 when the dialog could not be shown.
int RunDialogs(const std::optional<std::string>& port) {
    auto device = std::make_unique<GuardedPort>(MakeSystemSerialDevice(),
                                                GuardedPort::AfterShutdown::Returning);
    GuardedPort& guarded = *device;
    CConnectionDlg dialog(
        std::move(device), MakeSystemSpooler(),
        [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); },
        FoundPortNames());
    if (port) {
        dialog.SelectPort(*port);
    }
    outsideEnd.Watch(guarded, dialog);
    SetConsoleCtrlHandler(OutsideEnd::OnConsoleEvent, TRUE);
    const bool shown = dialog.DoModal(nullptr) != -1;
    const std::string reason = shown ? "" : Win32ErrorText(GetLastError());
    ReportUnrestored(dialog.State().CloseAndRestorePrinters(outsideEnd.Begun() ? kRestoreOnSignal
                                                                               : kPassDeadline));
    outsideEnd.Finished();
    if (!shown) {
        Say("vemora: the connection dialog could not be shown: " + reason + "\n", true);
    }
    return shown ? 0 : 1;
}

}  // namespace

int CManagerApp::Run() {
    // Started from a console: help goes there, and its Ctrl+C and closing end the program.
    AttachConsole(ATTACH_PARENT_PROCESS);
    std::optional<std::string> port;
    if (const std::optional<int> status = ParseOptions(port)) {
        return *status;
    }
    return RunDialogs(port);
}

}  // namespace vemora
