#pragma once
// The program: starts the toolkit and runs the connection dialog; the program ends when it closes.

#include <QApplication>

namespace vemora {

class CManagerApp {
  public:
    CManagerApp(int& argc, char** argv);

    // Takes one option, --port PATH, which adds PATH to the Port list and selects it, and answers
    // --help and --version without a display; returns the exit status (2 for a wrong line).
    int Run();

  private:
    int& argc_;
    char** argv_;
};

}  // namespace vemora
