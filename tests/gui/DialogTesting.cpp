#include "tests/gui/DialogTesting.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>

namespace vemora {

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says this about every dialog with a fixed size; it is no fault of ours.
void DropOffscreenNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text == "This plugin does not support propagateSizeHints()") {
        return;
    }
    previousHandler(type, context, text);
}

QApplication* MakeHeadlessApplication() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const std::filesystem::path runtime = VEMORA_TEST_RUNTIME_DIR;
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    qputenv("XDG_RUNTIME_DIR", runtime.c_str());
    previousHandler = qInstallMessageHandler(DropOffscreenNoise);
    static int argc = 1;
    static char name[] = "dialog-test";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
}

}  // namespace

void Pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

void PressEnter(QWidget* dialog) {
    dialog->activateWindow();
    QWidget* focused = dialog->focusWidget();
    QTest::keyClick(focused != nullptr ? focused : dialog, Qt::Key_Return);
}

void DialogTest::SetUpTestSuite() {
    // Lives until the process ends: tests share it, as a program has one.
    static QApplication* const application = MakeHeadlessApplication();
    (void)application;
}

QPushButton* DialogTest::Button(const char* name) const {
    return dialog_->findChild<QPushButton*>(name);
}

QComboBox* DialogTest::List(const char* name) const {
    return dialog_->findChild<QComboBox*>(name);
}

std::vector<QWidget*> TabOrder(const std::vector<QWidget*>& widgets) {
    std::vector<QWidget*> order;
    QWidget* const first = widgets.front();
    QWidget* w = first;
    do {
        if (std::find(widgets.begin(), widgets.end(), w) != widgets.end()) {
            order.push_back(w);
        }
        w = w->nextInFocusChain();
    } while (w != first);
    return order;
}

ModalAnswerer::ModalAnswerer(std::function<void(QWidget*)> answer) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [answer = std::move(answer)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            answer(modal);
        }
    });
    timer_.start();
}

MessageBoxAnswerer::MessageBoxAnswerer(QMessageBox::StandardButton button)
    : answerer_([this, button](QWidget* modal) {
          auto* box = qobject_cast<QMessageBox*>(modal);
          if (box == nullptr) {
              return;
          }
          shown_.push_back({box->windowTitle(), box->text(), box->informativeText(), box->icon()});
          box->button(button)->click();
      }) {}

}  // namespace vemora
