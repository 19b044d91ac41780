#pragma once
// Running the dialogs in tests: a headless application, and answers to the modal windows that
// the dialogs open.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <vector>

namespace vemora {

// Base of every dialog test: makes the one headless application before the first test, and finds
// the controls of the dialog under test by their names in its form.
class DialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();

    void Test(QWidget* dialog) { dialog_ = dialog; }
    QPushButton* Button(const char* name) const;
    QComboBox* List(const char* name) const;

  private:
    QWidget* dialog_ = nullptr;
};

// Picks an item of a list as the operator does: the list says it was activated, also when it
// already showed that item.
void Pick(QComboBox* list, int index);

// Presses Enter where the keyboard focus is, as the operator does.
void PressEnter(QWidget* dialog);

// The given widgets in the order that Tab visits them, starting at the first one.
std::vector<QWidget*> TabOrder(const std::vector<QWidget*>& widgets);

// While it lives, hands each modal window that comes up to `answer`, which must close it. It
// looks every few milliseconds: a single zero-delay timer would fire before a handler that
// processes events has its window up, and the test would hang.
class ModalAnswerer {
  public:
    explicit ModalAnswerer(std::function<void(QWidget*)> answer);

  private:
    QTimer timer_;
};

struct ShownMessage {
    QString title;
    QString text;
    QString detail;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers every message box with `button` and keeps what each one showed.
class MessageBoxAnswerer {
  public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton button = QMessageBox::Ok);

    const std::vector<ShownMessage>& Shown() const { return shown_; }

  private:
    std::vector<ShownMessage> shown_;
    ModalAnswerer answerer_;
};

}  // namespace vemora
