// Pictures of the three dialogs for the README: run under a real display (scripts/screenshots).
// Usage: vemora_dialog_shots FOLDER

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "gui/ConnectionDlg.h"
#include "gui/DirectSettingsDlg.h"
#include "gui/SwitchSettingsDlg.h"
#include "printers/CupsSpooler.h"
#include "support/SwitchImages.h"
#include "switches/StatusFile.h"

namespace {

bool Shoot(QWidget& dialog, const std::filesystem::path& file) {
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        return false;
    }
    QTest::qWait(200);
    return dialog.grab().save(QString::fromStdString(file.string()));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    using namespace vemora;

    CConnectionDlg connection(nullptr, MakeCupsSpooler(), {}, {"/dev/ttyUSB0"});
    QApplication::setWindowIcon(connection.windowIcon());

    // The memory switches as a display in a shop might hold them, loaded as from a status file.
    const SwitchImage image = test::ImageShowing({2, 2, 0, 2, 1});
    const std::filesystem::path status = folder / ".shop.sts";
    SaveStatusFile(status, image);
    CSwitchSettingsDlg switches(nullptr, {});
    switches.SetFileChooser([&](StatusFileDialog) { return status; });
    switches.findChild<QPushButton*>("loadStatusButton")->click();
    std::filesystem::remove(status);
    switches.findChild<QProgressBar*>()->setValue(36);

    CDirectSettingsDlg direct(nullptr);

    const bool shot = Shoot(connection, folder / "connection.png") &&
                      Shoot(switches, folder / "switches.png") &&
                      Shoot(direct, folder / "direct.png");
    return shot ? 0 : 1;
}
