#include "gui/ManagerApp.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>
#include <thread>

#include "gui/ConnectionDlg.h"
#include "gui/MessageBox.h"
#include "printers/Spooler.h"
#include "protocol/GuardedPort.h"

namespace vemora {

namespace {

// SIGINT, SIGTERM and SIGHUP reach a thread of their own through this pipe: it ends an exchange
// under way (the display leaves its setup mode), then the program ends the way Exit does and the
// printers get their ports back. The byte kProgramEnded ends that thread at a normal end.
int signalPipe[2] = {-1, -1};
bool endedBySignal = false;
constexpr char kSignalled = 1;
constexpr char kProgramEnded = 0;

void ForwardSignal(int) {
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &kSignalled, 1);
}

void WatchSignals(GuardedPort& port, CConnectionDlg& dialog) {
    char byte = kProgramEnded;
    while (::read(signalPipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    if (byte != kSignalled) {
        return;
    }
    // A printer pass under way ends at once; what it parked is given back at the end.
    dialog.InterruptPrinters();
    port.Shutdown();
    StopShowingMessages();
    QMetaObject::invokeMethod(
        qApp,
        [] {
            endedBySignal = true;
            QApplication::closeAllWindows();
        },
        Qt::QueuedConnection);
}

// Help and version need no display, so they are answered before the dialogs' application starts
// (help ends the program there); a line that holds the toolkit's own options (-platform) is read
// after it. True when the version was asked for and printed.
bool AnswerHelpOrVersion(QCommandLineParser& options, const QCommandLineOption& version, int& argc,
                         char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const bool parsed = options.parse(arguments);
    if (parsed && options.isSet(version)) {
        std::printf("vemora " VEMORA_VERSION "\n");
        return true;
    }
    if (parsed && options.isSet("help")) {
        QCoreApplication core(argc, argv);
        options.process(core);
    }
    return false;
}

// SIGINT, SIGTERM and SIGHUP go to WatchSignals from here on, where a pipe can be had.
void StartWatchingSignals(std::thread& watcher, GuardedPort& port, CConnectionDlg& dialog) {
    if (::pipe2(signalPipe, O_CLOEXEC) != 0) {
        return;
    }
    watcher = std::thread(WatchSignals, std::ref(port), std::ref(dialog));
    struct sigaction forward {};
    forward.sa_handler = ForwardSignal;
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(s, &forward, nullptr);
    }
}

void StopWatchingSignals(std::thread& watcher) {
    if (watcher.joinable()) {
        [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &kProgramEnded, 1);
        watcher.join();
    }
}

void ReportUnrestored(const std::vector<UnrestoredPrinter>& unrestored) {
    const Notice notice = UnrestoredNotice(unrestored);
    if (notice.text.empty()) {
        return;
    }
    // Whoever ended the program by a signal is not waiting for a window.
    if (endedBySignal) {
        std::fprintf(stderr, "%s\n%s", notice.text.c_str(), notice.detail.c_str());
    } else {
        ShowNotice(nullptr, notice);
    }
}

// The connection dialog on this machine's serial ports and printers, until it closes; then the
// printers get their ports back.
void RunDialogs(const std::optional<std::string>& port) {
    // A save beyond the file size limit fails as a write and is reported as one.
    signal(SIGXFSZ, SIG_IGN);
    auto device = std::make_unique<GuardedPort>(MakeSystemSerialDevice(),
                                                GuardedPort::AfterShutdown::Returning);
    GuardedPort& guarded = *device;
    CConnectionDlg dialog(
        std::move(device), MakeSystemSpooler(),
        [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); },
        FoundPortNames());
    QApplication::setWindowIcon(dialog.windowIcon());
    if (port) {
        dialog.SelectPort(*port);
    }
    std::thread watcher;
    StartWatchingSignals(watcher, guarded, dialog);
    dialog.exec();
    StopWatchingSignals(watcher);
    ReportUnrestored(
        dialog.CloseAndRestorePrinters(endedBySignal ? kRestoreOnSignal : kPassDeadline));
}

}  // namespace

CManagerApp::CManagerApp(int& argc, char** argv) : argc_(argc), argv_(argv) {}

int CManagerApp::Run() {
    QCoreApplication::setApplicationName("vemora");
    QCoreApplication::setApplicationVersion(VEMORA_VERSION);
    QCommandLineParser options;
    options.setApplicationDescription("Sets up a customer pole display on a serial line.");
    options.addHelpOption();
    // -V as vemora-cli and vemora-display-sim take it (the toolkit's own is -v).
    const QCommandLineOption version({"V", "version"}, "Displays version information.");
    options.addOption(version);
    const QCommandLineOption port("port", "Adds PATH to the Port list and selects it.", "PATH");
    options.addOption(port);
    if (AnswerHelpOrVersion(options, version, argc_, argv_)) {
        return 0;
    }
    QApplication app(argc_, argv_);
    if (!options.parse(QApplication::arguments()) || !options.positionalArguments().isEmpty()) {
        std::fprintf(
            stderr, "vemora: %s\n%s",
            qPrintable(options.errorText().isEmpty() ? "unexpected argument" : options.errorText()),
            qPrintable(options.helpText()));
        return 2;
    }
    RunDialogs(options.isSet(port) ? std::optional(options.value(port).toStdString())
                                   : std::nullopt);
    return 0;
}

}  // namespace vemora
