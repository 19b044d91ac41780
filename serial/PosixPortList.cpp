#include "serial/PosixPortList.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>
#include <tuple>

#include "serial/PortNames.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute, without its line end; empty when there is none.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string value;
    std::getline(in, value);
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) {
        value.pop_back();
    }
    return value;
}

// The entries of a folder; none when it is missing or unreadable.
std::vector<fs::path> Entries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        entries.push_back(it->path());
    }
    return entries;
}

// ttyUSB2 before ttyUSB10.
struct NameOrder {
    static auto Key(std::string_view name) {
        const std::size_t digits = name.find_last_not_of("0123456789") + 1;
        return std::tuple(name.substr(0, digits), name.size() - digits, name.substr(digits));
    }
    bool operator()(const std::string& a, const std::string& b) const { return Key(a) < Key(b); }
};

std::string UartName(const std::string& type) {
    static const std::map<std::string, std::string> kNames{
        {"1", "8250 UART"}, {"2", "16450 UART"}, {"3", "16550 UART"}, {"4", "16550A UART"}};
    const auto known = kNames.find(type);
    return known != kNames.end() ? known->second : "UART";
}

// What sysfs tells of a serial port.
struct FoundPort {
    std::string description{};
    std::string usbId{};
    std::string byIdLink{};
};

// What sysfs tells of a tty that is a serial port with hardware behind it; nothing for virtual
// terminals, the 8250 driver's placeholder ports and the kernel's console.
std::optional<FoundPort> SerialPortDescription(const fs::path& tty,
                                               const std::set<std::string>& consoles) {
    std::error_code error;
    const fs::path device = fs::canonical(tty / "device", error);
    if (error || consoles.contains(tty.filename()) ||
        ReadAttribute(tty / "console").starts_with('Y')) {
        return std::nullopt;
    }
    const std::string type = ReadAttribute(tty / "type");
    if (type == "0") {
        return std::nullopt;
    }
    // A USB adapter's name and ids are on the USB device, a level or two above the tty's
    // interface.
    fs::path level = device;
    for (int up = 0; up < 3; ++up, level = level.parent_path()) {
        const std::string product = ReadAttribute(level / "product");
        const std::string vendorId = ReadAttribute(level / "idVendor");
        if (!product.empty() || !vendorId.empty()) {
            const std::string maker = ReadAttribute(level / "manufacturer");
            const std::string usbId =
                vendorId.empty() ? "" : vendorId + ":" + ReadAttribute(level / "idProduct");
            const std::string name =
                maker.empty() || product.empty() ? maker + product : maker + " " + product;
            return FoundPort{.description = name.empty() ? "USB " + usbId : name, .usbId = usbId};
        }
    }
    if (!type.empty()) {
        return FoundPort{.description = UartName(type)};
    }
    const fs::path driver = fs::read_symlink(device / "driver", error);
    return FoundPort{.description = error ? "serial port" : driver.filename().string()};
}

using FoundPorts = std::map<std::string, FoundPort, NameOrder>;  // by tty name

// The serial ports that sysfs tells of, with their /dev/serial/by-id links, and the devices known
// only by such a link; what sysfs rejected stays out.
FoundPorts FindPorts(const fs::path& sysRoot, const fs::path& devRoot) {
    const fs::path ttyClass = sysRoot / "class" / "tty";
    std::istringstream active(ReadAttribute(ttyClass / "console" / "active"));
    const std::set<std::string> consoles{std::istream_iterator<std::string>(active), {}};

    std::error_code error;
    FoundPorts found;
    for (const fs::path& tty : Entries(ttyClass)) {
        const std::string name = tty.filename();
        if (auto port = SerialPortDescription(tty, consoles);
            port && fs::exists(devRoot / name, error)) {
            found.emplace(name, std::move(*port));
        }
    }
    std::vector<fs::path> links = Entries(devRoot / "serial" / "by-id");
    std::sort(links.begin(), links.end());
    for (const fs::path& link : links) {
        const std::string name = fs::read_symlink(link, error).filename();
        if (name.empty() || !fs::exists(devRoot / name, error)) {
            continue;
        }
        if (const auto port = found.find(name); port != found.end()) {
            if (port->second.byIdLink.empty()) {
                port->second.byIdLink = link;
            }
        } else if (!fs::exists(ttyClass / name, error)) {
            found.emplace(name, FoundPort{.byIdLink = link});
        }
    }
    return found;
}

}  // namespace

std::vector<PortChoice> ListPortsUnder(const fs::path& sysRoot, const fs::path& devRoot) {
    FoundPorts found = FindPorts(sysRoot, devRoot);
    std::vector<PortChoice> choices;
    for (std::string_view fixed : kFixedPortNames) {
        const std::string device = PortDevicePath(fixed);
        PortChoice choice{.name = std::string(fixed), .description = device, .device = device};
        if (const auto port = found.find(fs::path(device).filename()); port != found.end()) {
            choice.description += ", " + port->second.description;
            choice.byIdLink = port->second.byIdLink;
            choice.usbId = port->second.usbId;
            choice.present = true;
            found.erase(port);
        }
        choices.push_back(std::move(choice));
    }
    for (const auto& [tty, port] : found) {
        const std::string device = devRoot / tty;
        if (port.byIdLink.empty()) {
            choices.push_back({.name = device,
                               .description = port.description,
                               .device = device,
                               .usbId = port.usbId,
                               .present = true});
        } else {
            const std::string description =
                port.description.empty() ? tty : tty + ", " + port.description;
            choices.push_back(
                {port.byIdLink, description, device, port.byIdLink, port.usbId, true});
        }
    }
    return choices;
}

std::vector<PortChoice> ListPorts() {
    return ListPortsUnder("/sys", "/dev");
}

}  // namespace vemora
