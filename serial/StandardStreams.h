#pragma once
// What every program of Vemora does first, before it opens anything.

namespace vemora {

// Opens /dev/null onto each of the standard descriptors 0, 1 and 2 that is closed, so that a serial
// port or a lock file opened later never becomes the program's output: its text would go down the
// serial line. Ignores SIGPIPE, so that a reader that went away (`| head`) makes a write fail
// instead of ending the program while a display is in its setup mode.
void GuardStandardStreams();

}  // namespace vemora
