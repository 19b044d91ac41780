#include "gui/MessageBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <atomic>

namespace vemora {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

std::atomic<bool> stopped{false};

QMessageBox::StandardButton Run(QWidget* parent, std::string_view text, QMessageBox::Icon icon,
                                std::string_view detail, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton defaultButton) {
    if (stopped) {
        return defaultButton;
    }
    QMessageBox box(icon, QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(),
                    FromUtf8(text), buttons, parent);
    box.setDefaultButton(defaultButton);
    box.setInformativeText(FromUtf8(detail));
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void ShowMessage(QWidget* parent, std::string_view text, MessageIcon icon,
                 std::string_view detail) {
    Run(parent, text, BoxIcon(icon), detail, QMessageBox::Ok, QMessageBox::Ok);
}

void ShowNotice(QWidget* parent, const Notice& notice) {
    ShowMessage(parent, notice.text, notice.icon, notice.detail);
}

bool AskYesNo(QWidget* parent, std::string_view question) {
    return Run(parent, question, QMessageBox::Warning, {}, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxView::Show(const Notice& notice) {
    ShowNotice(owner_, notice);
}

bool MessageBoxView::Ask(const std::string& question) {
    return AskYesNo(owner_, question);
}

void StopShowingMessages() {
    stopped = true;
}

}  // namespace vemora
