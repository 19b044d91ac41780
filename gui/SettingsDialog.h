#pragma once
// What the two settings dialogs share: none of their buttons is the default (their forms say so),
// and Enter ends the dialog with OK, sending nothing to the display.

#include <QDialog>

class QKeyEvent;

namespace vemora {

class CSettingsDialog : public QDialog {
  public:
    using QDialog::QDialog;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace vemora
