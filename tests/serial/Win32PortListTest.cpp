// The port list on Windows: the fixed names, then the ports the system lists as present.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "serial/PortList.h"
#include "serial/PortNames.h"

namespace vemora {
namespace {

// A port the system lists for the test's life, as a driver lists one it serves.
class ListedPort {
  public:
    ListedPort(const char* device, const char* port) : device_(device) {
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                                  REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExA(key_, device, 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                                 static_cast<DWORD>(strlen(port) + 1)),
                  ERROR_SUCCESS);
    }
    ~ListedPort() {
        RegDeleteValueA(key_, device_);
        RegCloseKey(key_);
    }

  private:
    const char* device_;
    HKEY key_ = nullptr;
};

TEST(Win32PortList, FixedNamesFirstThenThePresentPortsOnceEach) {
    const ListedPort high("\\Device\\VemoraTest61", "COM61");
    const ListedPort fixed("\\Device\\VemoraTest12", "COM12");
    const ListedPort notAPort("\\Device\\VemoraTestX", "CNCA0");
    const auto ports = ListPorts();

    ASSERT_GE(ports.size(), kFixedPortNames.size() + 1);
    for (std::size_t i = 0; i < kFixedPortNames.size(); ++i) {
        EXPECT_EQ(ports[i].name, kFixedPortNames[i]);
    }
    EXPECT_EQ(ports[11].description, "\\\\.\\COM12, \\Device\\VemoraTest12");
    EXPECT_EQ(ports[11].device, "\\\\.\\COM12");
    EXPECT_TRUE(ports[11].present);
    const auto named = [&](std::string_view name) {
        return std::count_if(ports.begin(), ports.end(),
                             [&](const PortChoice& p) { return p.name == name; });
    };
    EXPECT_EQ(named("\\\\.\\COM61"), 1);
    EXPECT_EQ(named("\\\\.\\COM12"), 1);
    EXPECT_EQ(named("CNCA0") + named("\\\\.\\CNCA0"), 0);
}

}  // namespace
}  // namespace vemora
