// The machine's serial device on a real pseudo-terminal pair: the test plays the display on the
// master side, the channel opens the slave by its path.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "serial/PosixSerialDevice.h"
#include "serial/SerialChannel.h"
#include "support/PseudoTerminal.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<Byte>;

// The display's end of the line: the master side of the pair.
class DisplayEnd : public test::PseudoTerminal {
  public:
    // The display sends; the bytes reach the slave's input queue a moment later.
    void Send(const Bytes& bytes) const {
        ASSERT_EQ(write(Master(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        std::this_thread::sleep_for(5ms);
    }
    // What reached the display, until the line has been quiet for 50 ms.
    Bytes Received() const {
        Bytes got;
        pollfd watch{Master(), POLLIN, 0};
        Byte chunk[256];
        while (poll(&watch, 1, 50) > 0) {
            const ssize_t n = read(Master(), chunk, sizeof chunk);
            if (n <= 0) {
                break;
            }
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }
    // The slave's line settings: on Linux the master reports its slave's.
    termios Settings() const {
        termios line{};
        EXPECT_EQ(tcgetattr(Master(), &line), 0);
        return line;
    }
};

PortConfig LineTo(const std::string& path) {
    PortConfig config;
    config.portName = path;
    return config;
}

void OpenOn(CSerialChannel& channel, const PortConfig& config) {
    EXPECT_TRUE(channel.Configure(config));
    EXPECT_TRUE(channel.Open()) << channel.LastOpenError().detail;
}

template <typename Action>
std::chrono::milliseconds TimeOf(Action&& action) {
    const auto start = Clock::now();
    action();
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

TEST(PosixSerialDevice, SetsTheLineRawWithTheChosenSettings) {
    struct Case {
        std::uint32_t baud;
        speed_t speed;
        std::int32_t dataBits, parity, stopBits, flowControl;
    } cases[] = {
        {9600, B9600, 8, 0, 0, 0},
        {19200, B19200, 7, 1, 2, 0},
        {57600, B57600, 8, 2, 0, 1},
        {115200, B115200, 7, 2, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        DisplayEnd pty;
        ASSERT_TRUE(pty.Settings().c_lflag & ICANON);  // a slave starts cooked, with echo
        PortConfig config = LineTo(pty.Path());
        config.baudRate = c.baud;
        config.dataBits = c.dataBits;
        config.parity = c.parity;
        config.stopBits = c.stopBits;
        config.flowControl = c.flowControl;
        CSerialChannel channel;
        OpenOn(channel, config);

        const termios line = pty.Settings();
        EXPECT_EQ(cfgetospeed(&line), c.speed);
        EXPECT_EQ(cfgetispeed(&line), c.speed);
        // A pseudo-terminal keeps CS8 and clears PARENB whatever it is told.
        EXPECT_EQ((line.c_cflag & PARODD) != 0, c.parity == 1);
        EXPECT_EQ((line.c_iflag & INPCK) != 0, c.parity != 0);
        EXPECT_EQ((line.c_cflag & CSTOPB) != 0, c.stopBits == 2);
        EXPECT_EQ(line.c_iflag & (IXON | IXOFF), c.flowControl != 0 ? IXON | IXOFF : 0u);
        EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD | CRTSCTS), CLOCAL | CREAD);
        EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(line.c_iflag & (ICRNL | ISTRIP), 0u);
        EXPECT_EQ(line.c_oflag & OPOST, 0u);
    }
}

TEST(PosixSerialDevice, RefusesLineSettingsItCannotRunAndLeavesThePortFree) {
    struct Case {
        std::uint32_t baud;
        std::int32_t dataBits, parity, stopBits;
    } cases[] = {{14400, 8, 0, 0}, {9600, 6, 0, 0}, {9600, 8, 3, 0}, {9600, 8, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.baud << " " << c.dataBits << " " << c.parity << " " << c.stopBits);
        DisplayEnd pty;
        PortConfig config = LineTo(pty.Path());
        config.baudRate = c.baud;
        config.dataBits = c.dataBits;
        config.parity = c.parity;
        config.stopBits = c.stopBits;
        CSerialChannel refused;
        refused.Configure(config);
        EXPECT_FALSE(refused.Open());
        EXPECT_FALSE(refused.IsOpen());
        EXPECT_EQ(refused.LastOpenError().failure, OpenFailure::SettingsRefused);
        EXPECT_EQ(refused.LastOpenError().device, pty.Path());
        EXPECT_FALSE(refused.LastOpenError().detail.empty());
        EXPECT_TRUE(pty.Settings().c_lflag & ICANON);

        CSerialChannel next;
        OpenOn(next, LineTo(pty.Path()));
    }
}

TEST(PosixSerialDevice, OpenTellsWhyItFailed) {
    std::ofstream{"/tmp/vemora-plain-file"};
    struct Case {
        const char* name;
        OpenFailure failure;
        const char* detail;
    } cases[] = {
        {"/dev/vemora-no-such-port", OpenFailure::NoSuchDevice, "No such file or directory"},
        {"/dev/null", OpenFailure::NotATerminal, "Inappropriate ioctl for device"},
        {"/dev/zero", OpenFailure::NotATerminal, "Inappropriate ioctl for device"},
        {"/tmp/vemora-plain-file", OpenFailure::NotATerminal, "Inappropriate ioctl for device"},
        {"/tmp", OpenFailure::Other, "Is a directory"},
    };
    for (const Case& c : cases) {
        CSerialChannel channel;
        channel.Configure(LineTo(c.name));
        EXPECT_FALSE(channel.Open()) << c.name;
        EXPECT_EQ(channel.LastOpenError().failure, c.failure) << c.name;
        EXPECT_EQ(channel.LastOpenError().device, c.name);
        EXPECT_EQ(channel.LastOpenError().detail, c.detail);
    }
}

TEST(PosixSerialDeviceDeathTest, OpenWithoutTheRightsIsPermissionDenied) {
    char pattern[] = "/tmp/vemora-rights-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path folder = pattern;
    const std::string port = folder / "ttyUSB0";
    std::ofstream{port};
    fs::permissions(port, fs::perms::none);
    fs::permissions(folder, fs::perms(0755));
    // In a child, as nobody when the tests run as root, whom no permission stops.
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0) {
                std::_Exit(100);
            }
            PosixSerialDevice device;
            const OpenError error = device.Open(LineTo(port));
            const DeviceAccess& a = error.access;
            std::fprintf(stderr, "%s: %s, owner %s mode %04o\n", error.device.c_str(),
                         error.detail.c_str(), a.owner.c_str(), a.mode);
            std::_Exit(static_cast<int>(error.failure));
        },
        testing::ExitedWithCode(static_cast<int>(OpenFailure::PermissionDenied)),
        port + ": Permission denied, owner " + (geteuid() == 0 ? "root" : "") + ".* mode 0000");
    fs::remove_all(folder);
}

TEST(PosixSerialDevice, HoldsThePortAgainstASecondOpenUntilClosed) {
    DisplayEnd pty;
    CSerialChannel first;
    OpenOn(first, LineTo(pty.Path()));
    CSerialChannel second;
    second.Configure(LineTo(pty.Path()));
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.LastOpenError().failure, OpenFailure::Busy);
    EXPECT_EQ(second.LastOpenError().device, pty.Path());

    first.Close();
    EXPECT_TRUE(second.Open()) << second.LastOpenError().detail;
}

TEST(PosixSerialDevice, DropsWhatWasWaitingBeforeOpen) {
    DisplayEnd pty;
    pty.Send({0x23, 0x1F, 0x57});
    CSerialChannel channel;
    OpenOn(channel, LineTo(pty.Path()));
    Byte reply[3] = {};
    EXPECT_EQ(channel.Read(reply, 3), 0u);
    pty.Send({0x57, 0x23});  // a late reply, dropped before the next request
    channel.PurgeInput();
    EXPECT_EQ(channel.Read(reply, 3), 0u);
}

// A terminal given as the port is left as it was found, once the last bytes have gone out.
TEST(PosixSerialDevice, CloseSendsWhatIsQueuedThenPutsTheLineBack) {
    DisplayEnd pty;
    const termios found = pty.Settings();
    CSerialChannel channel;
    OpenOn(channel, LineTo(pty.Path()));
    const Bytes last{0x1F, 0x28, 0x45, 0x04, 0x00, 0x02, 0x4F, 0x55, 0x54};
    EXPECT_EQ(channel.Write(last.data(), 9), 9u);
    channel.Close();
    EXPECT_EQ(pty.Received(), last);
    const termios after = pty.Settings();
    EXPECT_EQ(after.c_lflag, found.c_lflag);
    EXPECT_EQ(after.c_iflag, found.c_iflag);
    EXPECT_EQ(after.c_oflag, found.c_oflag);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&found));
}

// With the read time-outs 10, 10, 10 that the connection check sets.
TEST(PosixSerialDevice, ReadEndsByTheReadTimeOuts) {
    struct Case {
        Bytes waiting;
        std::uint32_t count;
        std::uint32_t got;
        std::chrono::milliseconds least;
    } cases[] = {
        {{}, 1, 0, 20ms},      // 10 x 1 + 10
        {{}, 3, 0, 40ms},      // 10 x 3 + 10
        {{}, 11, 0, 120ms},    // 10 x 11 + 10
        {{1, 2}, 3, 2, 10ms},  // the interval after the second byte
    };
    // The two bytes come after the silent reads have ended, and wait for the next.
    DisplayEnd pty;
    CSerialChannel channel;
    OpenOn(channel, LineTo(pty.Path()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        if (!c.waiting.empty()) {
            pty.Send(c.waiting);
        }
        Byte buffer[11] = {};
        std::uint32_t got = 0;
        const auto took = TimeOf([&] { got = channel.Read(buffer, c.count); });
        EXPECT_EQ(got, c.got);
        EXPECT_TRUE(std::equal(c.waiting.begin(), c.waiting.end(), buffer));
        EXPECT_GE(took, c.least);
        EXPECT_LE(took, c.least + 60ms);
    }
}

// Long limits here, so that what ends a read cannot be mistaken for the total time-out.
PortConfig PatientLineTo(const std::string& path) {
    PortConfig config = LineTo(path);
    config.timeouts.readInterval = 50;
    config.timeouts.readTotalConstant = 1000;
    return config;
}

TEST(PosixSerialDevice, ReadEndsAtTheFullCountAndLeavesTheRestForTheNext) {
    DisplayEnd pty;
    CSerialChannel channel;
    OpenOn(channel, PatientLineTo(pty.Path()));
    pty.Send({1, 2, 3, 4, 5});
    Byte buffer[3] = {};
    EXPECT_LT(TimeOf([&] { EXPECT_EQ(channel.Read(buffer, 3), 3u); }), 500ms);
    EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{1, 2, 3}));
    const auto took = TimeOf([&] { EXPECT_EQ(channel.Read(buffer, 3), 2u); });
    EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{4, 5}));
    EXPECT_GE(took, 50ms);
    EXPECT_LE(took, 110ms);
}

TEST(PosixSerialDevice, ReadIntervalCountsFromTheLastByte) {
    DisplayEnd pty;
    CSerialChannel channel;
    OpenOn(channel, PatientLineTo(pty.Path()));
    Clock::time_point lastSent;
    std::thread display([&] {
        for (Byte b : {1, 2, 3}) {
            std::this_thread::sleep_for(20ms);
            lastSent = Clock::now();
            pty.Send({b});
        }
    });
    Byte buffer[5] = {};
    EXPECT_EQ(channel.Read(buffer, 5), 3u);
    const auto ended = Clock::now();
    display.join();
    EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{1, 2, 3}));
    EXPECT_GE(ended - lastSent, 50ms);
    EXPECT_LE(ended - lastSent, 110ms);
}

// A display's side of the modem lines, in place of the port's ioctl.
struct DisplayLines {
    bool dsr = true;
    int ctsHeldOff = 0;      // status reads that see CTS off before it comes on
    int driven = TIOCM_RTS;  // DTR and RTS as the port leaves them

    ModemLineControl Control() {
        return [this](int, unsigned long request, int* lines) {
            if (request == TIOCMBIS) {
                driven |= *lines;
            } else if (request == TIOCMBIC) {
                driven &= ~*lines;
            } else {
                const bool cts = ctsHeldOff-- <= 0;
                *lines = driven | (dsr ? TIOCM_DSR : 0) | (cts ? TIOCM_CTS : 0);
            }
            return 0;
        };
    }
};

CSerialChannel OnLines(DisplayLines& lines) {
    return CSerialChannel(std::make_unique<PosixSerialDevice>(lines.Control()));
}

TEST(PosixSerialDevice, RaisesDtrAndHoldsRtsOffUnlessXonXoff) {
    for (const std::int32_t flowControl : {0, 1}) {
        DisplayEnd pty;
        DisplayLines lines;
        CSerialChannel channel = OnLines(lines);
        PortConfig config = LineTo(pty.Path());
        config.flowControl = flowControl;
        OpenOn(channel, config);
        EXPECT_EQ(lines.driven, flowControl != 0 ? TIOCM_DTR | TIOCM_RTS : TIOCM_DTR);
    }
}

TEST(PosixSerialDevice, DsrOffFailsOpenAndLeavesThePortFree) {
    DisplayEnd pty;
    DisplayLines lines{.dsr = false};
    CSerialChannel unplugged = OnLines(lines);
    unplugged.Configure(LineTo(pty.Path()));
    EXPECT_FALSE(unplugged.Open());
    EXPECT_EQ(unplugged.LastOpenError().failure, OpenFailure::DsrOff);

    CSerialChannel next;
    OpenOn(next, LineTo(pty.Path()));
}

TEST(PosixSerialDevice, WriteWaitsForCtsThenSendsEverythingUnchanged) {
    DisplayEnd pty;
    DisplayLines lines{.ctsHeldOff = 10};
    CSerialChannel channel = OnLines(lines);
    OpenOn(channel, LineTo(pty.Path()));
    const Bytes command{0x1B, 0x40, 0x0A, 0x0D, 0x00, 0xFF};
    EXPECT_EQ(channel.Write(command.data(), command.size()), command.size());
    EXPECT_LE(lines.ctsHeldOff, 0);
    EXPECT_EQ(pty.Received(), command);
}

TEST(PosixSerialDevice, WriteHeldBackByCtsGivesUpAfterOneSecondAndTheLineTime) {
    DisplayEnd pty;
    DisplayLines lines{.ctsHeldOff = INT_MAX};
    CSerialChannel channel = OnLines(lines);
    OpenOn(channel, LineTo(pty.Path()));
    const Bytes text(96, 'A');  // 96 x 10 bits at 9600 baud: 100 ms on the line
    std::uint32_t moved = 1;
    const auto took = TimeOf([&] { moved = channel.Write(text.data(), text.size()); });
    EXPECT_EQ(moved, 0u);
    EXPECT_GE(took, 1100ms);
    EXPECT_LE(took, 1100ms + 150ms);
    EXPECT_TRUE(pty.Received().empty());
}

}  // namespace
}  // namespace vemora
