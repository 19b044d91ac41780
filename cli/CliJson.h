#pragma once
// How vemora-cli writes a JSON document.

#include <nlohmann/json_fwd.hpp>
#include <ostream>

namespace vemora {

// Every JSON document goes out through here, one a line: file names and sysfs strings may hold
// bytes that are not UTF-8, which become U+FFFD rather than an exception.
void PrintJson(const nlohmann::ordered_json& document, std::ostream& out);

}  // namespace vemora
