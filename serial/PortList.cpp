#include "serial/PortList.h"

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

// What sysfs tells of a tty that is a serial port with hardware behind it; nothing for virtual
// terminals, the 8250 driver's placeholder ports and the kernel's console.
std::optional<std::string> SerialPortDescription(const fs::path& tty,
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
    // A USB adapter's name is on the USB device, a level or two above the tty's interface.
    fs::path level = device;
    for (int up = 0; up < 3; ++up, level = level.parent_path()) {
        const std::string product = ReadAttribute(level / "product");
        if (!product.empty()) {
            const std::string maker = ReadAttribute(level / "manufacturer");
            return maker.empty() ? product : maker + " " + product;
        }
    }
    if (!type.empty()) {
        return UartName(type);
    }
    const fs::path driver = fs::read_symlink(device / "driver", error);
    return error ? "serial port" : driver.filename().string();
}

}  // namespace

std::vector<PortChoice> ListPorts(const fs::path& sysRoot, const fs::path& devRoot) {
    const fs::path ttyClass = sysRoot / "class" / "tty";
    std::istringstream active(ReadAttribute(ttyClass / "console" / "active"));
    const std::set<std::string> consoles{std::istream_iterator<std::string>(active), {}};

    std::error_code error;
    std::map<std::string, std::string, NameOrder> present;  // tty name, description
    for (const fs::path& tty : Entries(ttyClass)) {
        const std::string name = tty.filename();
        if (auto description = SerialPortDescription(tty, consoles);
            description && fs::exists(devRoot / name, error)) {
            present.emplace(name, std::move(*description));
        }
    }
    // A link that sysfs cannot explain still names a device; what sysfs rejected stays out.
    for (const fs::path& link : Entries(devRoot / "serial" / "by-id")) {
        const std::string name = fs::read_symlink(link, error).filename();
        if (!name.empty() && !fs::exists(ttyClass / name, error) &&
            fs::exists(devRoot / name, error)) {
            present.emplace(name, link.filename());
        }
    }

    std::vector<PortChoice> choices;
    for (std::string_view fixed : kFixedPortNames) {
        PortChoice choice{std::string(fixed), PortDevicePath(fixed)};
        if (const auto found = present.find(fs::path(choice.description).filename());
            found != present.end()) {
            choice.description += ", " + found->second;
            present.erase(found);
        }
        choices.push_back(std::move(choice));
    }
    for (const auto& [name, description] : present) {
        choices.push_back({devRoot / name, description});
    }
    return choices;
}

}  // namespace vemora
