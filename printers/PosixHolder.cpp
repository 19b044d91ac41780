#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "printers/Holder.h"

namespace vemora {
namespace {

std::string BootId() {
    std::string id;
    std::ifstream("/proc/sys/kernel/random/boot_id") >> id;
    return id.substr(0, 8);
}

// Empty when there is no such process.
std::string ProcessStart(long pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line) || line.rfind(')') == std::string::npos) {
        return {};
    }
    // After the command name: the state is field 3, the start time field 22.
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n) {
    }
    return fields ? BootId() + "-" + field : std::string();
}

}  // namespace

std::string HostName() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

Holder ThisProcess(const std::string& port) {
    return {getpid(), ProcessStart(getpid()), HostName(), port};
}

bool HasEnded(const Holder& holder) {
    const std::string start = ProcessStart(holder.pid);
    // Where /proc hides other users' processes, a live pid is all there is to go by.
    if (start.empty()) {
        return kill(static_cast<pid_t>(holder.pid), 0) != 0 && errno != EPERM;
    }
    return start != holder.start;
}

}  // namespace vemora
