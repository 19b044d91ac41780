#pragma once
// The program: reads its command line and runs the connection dialog; the program ends when it
// closes.

namespace vemora {

class CManagerApp {
  public:
    // Takes one option, --port NAME, which adds NAME to the Port list and selects it, and answers
    // --help and --version without a window; returns the exit status (2 for a wrong line).
    int Run();
};

}  // namespace vemora
