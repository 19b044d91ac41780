#pragma once
// File names as UTF-8 text on every system. A path's narrow text is the system's code page on
// Windows, which cannot hold every name an operator types; char8_t text is UTF-8 everywhere. On
// Linux both are the name's own bytes.

#include <filesystem>
#include <string>
#include <string_view>

namespace vemora {

inline std::filesystem::path Utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace vemora
