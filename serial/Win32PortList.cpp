#include <windows.h>

#include <map>

#include "serial/PortList.h"
#include "serial/PortNames.h"

namespace vemora {
namespace {

// Where Windows lists the serial ports present: device name -> "COMn".
constexpr const char* kSerialComm = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The COM ports present, by number, with the device that serves each ("\Device\Serial0").
std::map<unsigned, std::string> PresentPorts() {
    std::map<unsigned, std::string> found;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return found;
    }
    for (DWORD i = 0;; ++i) {
        char device[256];
        char port[64] = {};
        DWORD deviceSize = sizeof device;
        DWORD portSize = sizeof port - 1;  // room for the end a stored string may lack
        DWORD type = 0;
        const LONG status = RegEnumValueA(key, i, device, &deviceSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(port), &portSize);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS || type != REG_SZ) {
            continue;
        }
        if (const auto n = ComPortNumber(port)) {
            found.emplace(*n, device);
        }
    }
    RegCloseKey(key);
    return found;
}

// From port 10 on, only the device-namespace form opens; the fixed list writes it so too.
std::string ChoiceName(unsigned n) {
    const std::string name = "COM" + std::to_string(n);
    return n < 10 ? name : "\\\\.\\" + name;
}

PortChoice Choice(unsigned n, const std::string* device) {
    const std::string path = "\\\\.\\COM" + std::to_string(n);
    return {.name = ChoiceName(n),
            .description = device ? path + ", " + *device : path,
            .device = path,
            .present = device != nullptr};
}

}  // namespace

std::vector<PortChoice> ListPorts() {
    std::map<unsigned, std::string> present = PresentPorts();
    std::vector<PortChoice> choices;
    for (std::string_view fixed : kFixedPortNames) {
        const unsigned n = *ComPortNumber(fixed);
        const auto found = present.find(n);
        choices.push_back(Choice(n, found != present.end() ? &found->second : nullptr));
        if (found != present.end()) {
            present.erase(found);
        }
    }
    for (const auto& [n, device] : present) {
        choices.push_back(Choice(n, &device));
    }
    return choices;
}

}  // namespace vemora
