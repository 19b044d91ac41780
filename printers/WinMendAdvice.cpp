#include "printers/MendAdvice.h"

namespace vemora {

const std::string_view kPortStringName = "port";

std::string MendParkedAdvice(const std::string& printer, const std::string& port) {
    return "in the properties of " + printer + ", Ports: " + port +
           "; then Resume in its queue if it was printing before";
}

std::string MendStoppedAdvice(const std::string& printer) {
    return "Resume in the queue of " + printer;
}

}  // namespace vemora
