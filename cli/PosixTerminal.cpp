#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "cli/ProgressLines.h"

namespace vemora {

bool StderrTakesProgress() {
    const char* term = std::getenv("TERM");
    return isatty(STDERR_FILENO) == 1 && term != nullptr && std::string_view(term) != "dumb";
}

}  // namespace vemora
