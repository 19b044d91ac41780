#pragma once
// The program: starts the toolkit and runs the connection dialog; the program ends when it closes.

#include <QApplication>

namespace vemora {

class CManagerApp {
  public:
    CManagerApp(int& argc, char** argv);

    // Takes one option, --port PATH, which adds PATH to the Port list and selects it; returns the
    // exit status.
    int Run();

  private:
    QApplication app_;
};

}  // namespace vemora
