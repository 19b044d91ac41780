#include "printers/MendAdvice.h"

namespace vemora {

const std::string_view kPortStringName = "device URI";

std::string MendParkedAdvice(const std::string& printer, const std::string& port) {
    return "lpadmin -p " + ShellQuoted(printer) + " -v " + ShellQuoted(port) +
           ", then cupsenable " + ShellQuoted(printer) + " if it was printing before";
}

std::string MendStoppedAdvice(const std::string& printer) {
    return "cupsenable " + ShellQuoted(printer);
}

}  // namespace vemora
