#pragma once
// The system's words for a Windows error code.

#include <string>

namespace vemora {

// "Access is denied", without the closing full stop; "error N" when the system has no words.
std::string Win32ErrorText(unsigned long error);

}  // namespace vemora
