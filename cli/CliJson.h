#pragma once
// How vemora-cli writes a JSON document.

#include <nlohmann/json_fwd.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "printers/Spooler.h"

namespace vemora {

// Every JSON document goes out through here, one a line: file names and sysfs strings may hold
// bytes that are not UTF-8, which become U+FFFD rather than an exception.
void PrintJson(const nlohmann::ordered_json& document, std::ostream& out);

// The document of one port's run (or of a command that uses none, whose port is null): its
// "port", "exitStatus" and "messages", then the command's own fields.
nlohmann::ordered_json PortDocument(const nlohmann::ordered_json& port, int exitStatus,
                                    const std::vector<std::string>& messages,
                                    const nlohmann::ordered_json& fields);

// The lines of a text, without their line ends.
std::vector<std::string> TextLines(const std::string& text);

// Each printer of `printers` with its port, state and, when it is parked, its mark and holders.
nlohmann::ordered_json PrintersJson(const std::vector<LocalPrinter>& printers);

}  // namespace vemora
