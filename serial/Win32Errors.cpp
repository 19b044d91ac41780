#include "serial/Win32Errors.h"

#include <windows.h>

#include <cctype>

namespace vemora {

std::string Win32ErrorText(unsigned long error) {
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() &&
           (message.back() == '.' || std::isspace(static_cast<unsigned char>(message.back())))) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

}  // namespace vemora
