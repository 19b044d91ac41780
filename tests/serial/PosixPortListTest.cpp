#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/PosixPortList.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;

// A machine's /sys and /dev, built in a temporary folder.
class PortListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("vemora-ports-" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(Sys() / "class/tty");
        fs::create_directories(Dev() / "serial/by-id");
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path Sys() const { return root_ / "sys"; }
    fs::path Dev() const { return root_ / "dev"; }

    static void Put(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    // A tty in sysfs with its node in /dev; `device` is its hardware under /sys/devices, if any.
    void AddTty(const std::string& name, const std::string& device = {}) {
        const fs::path tty = Sys() / "devices" / (device.empty() ? "virtual/tty" : device) / name;
        fs::create_directories(tty);
        if (!device.empty()) {
            fs::create_directory_symlink(tty.parent_path(), tty / "device");
        }
        fs::create_directory_symlink(tty, Sys() / "class/tty" / name);
        Put(Dev() / name, "");
    }
    void AddUart(const std::string& name, const std::string& type, const std::string& console) {
        AddTty(name, "platform/serial8250");
        Put(Sys() / "class/tty" / name / "type", type);
        Put(Sys() / "class/tty" / name / "console", console);
    }

    // "name | description", one a line, for readable failures.
    std::vector<std::string> Listed() const {
        std::vector<std::string> lines;
        for (const PortChoice& choice : ListPortsUnder(Sys(), Dev())) {
            lines.push_back(choice.name + " | " + choice.description);
        }
        return lines;
    }
    std::vector<std::string> FixedWith(const std::vector<std::string>& changed) const {
        std::vector<std::string> lines;
        for (int i = 1; i <= 15; ++i) {
            const std::string device = "/dev/ttyS" + std::to_string(i - 1);
            const std::string name = (i < 10 ? "COM" : "\\\\.\\COM") + std::to_string(i);
            lines.push_back(name + " | " + device);
            for (const std::string& line : changed) {
                if (line.starts_with(name + " |")) {
                    lines.back() = line;
                }
            }
        }
        return lines;
    }

    fs::path root_;
};

TEST_F(PortListTest, FixedNamesOnAMachineWithoutSerialPorts) {
    AddTty("tty1");
    AddTty("ptmx");
    EXPECT_EQ(Listed(), FixedWith({}));
}

TEST_F(PortListTest, ListsEachSerialDeviceOnceAfterTheFixedNames) {
    AddUart("ttyS0", "4", "Y");   // the console
    AddUart("ttyS1", "4", "N");   // an on-board port: COM2
    AddUart("ttyS2", "0", "N");   // a placeholder without hardware
    AddUart("ttyS20", "1", "N");  // beyond the fixed names
    AddUart("ttyS21", "4", "N");  // the console by console/active
    Put(Sys() / "devices/virtual/tty/console/active", "tty0 ttyS21");
    AddTty("console");
    AddTty("tty0");

    AddTty("ttyUSB0", "usb1/1-1/1-1:1.0/ttyUSB0");
    Put(Sys() / "devices/usb1/1-1/manufacturer", "FTDI");
    Put(Sys() / "devices/usb1/1-1/product", "FT232R USB UART");
    Put(Sys() / "devices/usb1/1-1/idVendor", "0403");
    Put(Sys() / "devices/usb1/1-1/idProduct", "6001");
    fs::create_symlink("../../ttyUSB0", Dev() / "serial/by-id/usb-FTDI_FT232R_A5-if00-port0");
    AddTty("ttyUSB10", "usb1/1-3/1-3:1.0/ttyUSB10");
    Put(Sys() / "devices/usb1/1-3/product", "USB-Serial Controller");
    AddTty("ttyUSB2", "usb1/1-4/1-4:1.0/ttyUSB2");
    Put(Sys() / "devices/usb1/1-4/product", "CP2102 USB to UART Bridge Controller");
    Put(Sys() / "devices/usb1/1-4/manufacturer", "Silicon Labs");
    AddTty("ttyACM0", "usb1/1-2/1-2:1.0");
    Put(Sys() / "devices/usb1/1-2/product", "Pole Display");

    AddTty("ttyUSB7", "usb1/1-5/1-5:1.0/ttyUSB7");  // gone from /dev
    fs::remove(Dev() / "ttyUSB7");
    // Known only by its link; one to the console stays out.
    Put(Dev() / "ttyXR0", "");
    fs::create_symlink("../../ttyXR0", Dev() / "serial/by-id/usb-Exar_XR21V-if00");
    fs::create_symlink("../../ttyS0", Dev() / "serial/by-id/pnp-console");

    std::vector<std::string> expected = FixedWith({"COM2 | /dev/ttyS1, 16550A UART"});
    const std::string dev = Dev().string() + "/";
    expected.insert(expected.end(), {
                                        dev + "ttyACM0 | Pole Display",
                                        dev + "ttyS20 | 8250 UART",
                                        dev + "serial/by-id/usb-FTDI_FT232R_A5-if00-port0 | "
                                              "ttyUSB0, FTDI FT232R USB UART",
                                        dev + "ttyUSB2 | Silicon Labs CP2102 USB to UART Bridge "
                                              "Controller",
                                        dev + "ttyUSB10 | USB-Serial Controller",
                                        dev + "serial/by-id/usb-Exar_XR21V-if00 | ttyXR0",
                                    });
    EXPECT_EQ(Listed(), expected);

    // A USB adapter by its link, with its device and ids; a UART has neither link nor ids.
    const auto ports = ListPortsUnder(Sys(), Dev());
    EXPECT_EQ(ports[17],
              (PortChoice{dev + "serial/by-id/usb-FTDI_FT232R_A5-if00-port0",
                          "ttyUSB0, FTDI FT232R USB UART", dev + "ttyUSB0",
                          dev + "serial/by-id/usb-FTDI_FT232R_A5-if00-port0", "0403:6001", true}));
    EXPECT_EQ(ports[1],
              (PortChoice{"COM2", "/dev/ttyS1, 16550A UART", "/dev/ttyS1", "", "", true}));
    // Of the fixed names only COM2 has a device behind it; every port found after them has one.
    for (std::size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i].present, i == 1 || i >= 15) << ports[i].name;
    }
}

TEST_F(PortListTest, MissingSysfsAndDevStillGiveTheFixedNames) {
    fs::remove_all(root_);
    EXPECT_EQ(Listed(), FixedWith({}));
}

}  // namespace
}  // namespace vemora
