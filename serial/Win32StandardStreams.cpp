#include "serial/StandardStreams.h"

namespace vemora {

// Nothing to do: the port is a handle of CreateFileA, never a C descriptor that could take the
// place of a closed stdout, and a write to a closed pipe fails without a signal.
void GuardStandardStreams() {}

}  // namespace vemora
