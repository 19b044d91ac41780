#include "app/ManagerApp.h"

#include <QCommandLineParser>
#include <thread>

#include "app/ConnectionDlg.h"

namespace vemora {

CManagerApp::CManagerApp(int& argc, char** argv) : app_(argc, argv) {}

int CManagerApp::Run() {
    QCommandLineParser options;
    options.setApplicationDescription("Sets up a customer pole display on a serial line.");
    const QCommandLineOption port("port", "Adds PATH to the Port list and selects it.", "PATH");
    options.addOption(port);
    options.process(app_);
    if (!options.positionalArguments().isEmpty()) {
        options.showHelp(2);
    }

    CConnectionDlg dialog(
        nullptr, [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }, {});
    QApplication::setWindowIcon(dialog.windowIcon());
    if (options.isSet(port)) {
        dialog.SelectPort(options.value(port).toStdString());
    }
    dialog.exec();
    return 0;
}

}  // namespace vemora
