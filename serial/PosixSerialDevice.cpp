#include "serial/PosixSerialDevice.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "serial/PortNames.h"

namespace vemora {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How often a write held back by the handshake looks at the lines again.
constexpr auto kHandshakePoll = 2ms;
// A write may take this long beyond the line time of its bytes.
constexpr auto kWriteGrace = 1s;

constexpr std::pair<std::uint32_t, speed_t> kSpeeds[] = {
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};

std::optional<speed_t> SpeedOf(std::uint32_t baudRate) {
    for (const auto& [baud, speed] : kSpeeds) {
        if (baud == baudRate) {
            return speed;
        }
    }
    return std::nullopt;
}

// Why the line cannot run these settings; empty when it can.
std::string RefusalOf(const PortConfig& config) {
    if (!SpeedOf(config.baudRate)) {
        return "The port cannot run at " + std::to_string(config.baudRate) + " baud";
    }
    if (config.dataBits != 7 && config.dataBits != 8) {
        return "The port cannot send " + std::to_string(config.dataBits) + " data bits";
    }
    if (config.parity < 0 || config.parity > 2) {
        return "Unknown parity code " + std::to_string(config.parity);
    }
    if (config.stopBits == 1) {
        return "One and a half stop bits cannot be set";
    }
    if (config.stopBits != 0 && config.stopBits != 2) {
        return "Unknown stop bits code " + std::to_string(config.stopBits);
    }
    return {};
}

// The settings the port reported, made raw and changed to `config` (which RefusalOf accepted).
termios LineSettings(termios line, const PortConfig& config) {
    cfmakeraw(&line);
    line.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    line.c_cflag |= CLOCAL | CREAD | (config.dataBits == 7 ? CS7 : CS8);
    if (config.parity != 0) {
        line.c_cflag |= PARENB | (config.parity == 1 ? PARODD : 0);
    }
    if (config.stopBits == 2) {
        line.c_cflag |= CSTOPB;
    }
    line.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    if (config.parity != 0) {
        line.c_iflag |= INPCK;
    }
    if (config.flowControl != 0) {
        line.c_iflag |= IXON | IXOFF;
    }
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    const speed_t speed = *SpeedOf(config.baudRate);
    cfsetispeed(&line, speed);
    cfsetospeed(&line, speed);
    return line;
}

// Whether the port runs what was asked: tcsetattr succeeds when it took any part of it. Size and
// parity are left out: a pseudo-terminal, where the display simulator lives, always runs 8 bits
// without parity whatever it is told.
bool Holds(const termios& actual, const termios& wanted) {
    constexpr tcflag_t kControl = CSTOPB | CLOCAL | CREAD | CRTSCTS;
    constexpr tcflag_t kInput = INPCK | IXON | IXOFF;
    constexpr tcflag_t kLocal = ICANON | ECHO | ISIG;
    return (actual.c_cflag & kControl) == (wanted.c_cflag & kControl) &&
           (actual.c_iflag & kInput) == (wanted.c_iflag & kInput) &&
           (actual.c_lflag & kLocal) == (wanted.c_lflag & kLocal) &&
           cfgetispeed(&actual) == cfgetispeed(&wanted) &&
           cfgetospeed(&actual) == cfgetospeed(&wanted);
}

OpenFailure FailureOfOpen(int error) {
    switch (error) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return OpenFailure::NoSuchDevice;
        case EACCES:
        case EPERM:
            return OpenFailure::PermissionDenied;
        case EBUSY:
            return OpenFailure::Busy;
        default:
            return OpenFailure::Other;
    }
}

// Pseudo-terminals and network serial bridges have no modem lines at all.
bool HasNoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

// The time the bytes take on the line: a start bit, the data bits, the parity bit, the stop bits.
Clock::duration LineTime(const PortConfig& config, std::uint32_t count) {
    const std::uint64_t bits =
        1 + config.dataBits + (config.parity != 0 ? 1 : 0) + (config.stopBits == 2 ? 2 : 1);
    return std::chrono::microseconds(count * bits * 1'000'000 / config.baudRate);
}

// Waits for `events` on the port until the deadline (none: Clock::time_point::max()); false when it
// passes first, the port hangs up or poll fails.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    pollfd watch{fd, events, 0};
    for (;;) {
        timespec limit{};
        const timespec* timeout = nullptr;
        if (deadline != Clock::time_point::max()) {
            const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            limit = {static_cast<time_t>(ns / 1'000'000'000),
                     static_cast<long>(ns % 1'000'000'000)};
            timeout = &limit;
        }
        const int ready = ppoll(&watch, 1, timeout, nullptr);
        if (ready >= 0 || errno != EINTR) {
            return ready > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
        }
    }
}

std::string UserName(uid_t uid) {
    const passwd* user = getpwuid(uid);
    return user != nullptr ? user->pw_name : std::to_string(uid);
}

bool InGroup(gid_t gid) {
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)));
    groups.resize(static_cast<std::size_t>(
        std::max(getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
    return getegid() == gid || std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// The device's owner, group and mode, and whether this user is in its group; empty when the
// device cannot be looked at.
DeviceAccess AccessOf(const std::string& device) {
    struct stat st {};
    if (stat(device.c_str(), &st) != 0) {
        return {};
    }
    const group* owners = getgrgid(st.st_gid);
    return {UserName(st.st_uid), owners != nullptr ? owners->gr_name : std::to_string(st.st_gid),
            st.st_mode & 07777u, UserName(geteuid()), InGroup(st.st_gid)};
}

int SystemModemLines(int fd, unsigned long request, int* lines) {
    return ioctl(fd, request, lines);
}

}  // namespace

PosixSerialDevice::PosixSerialDevice() : PosixSerialDevice(SystemModemLines) {}

PosixSerialDevice::PosixSerialDevice(ModemLineControl modemLines)
    : modemLines_(std::move(modemLines)) {}

PosixSerialDevice::~PosixSerialDevice() {
    Close();
}

OpenError PosixSerialDevice::Open(const PortConfig& config) {
    Close();
    const std::string device = PortDevicePath(config.portName);
    fd_ = FileHandle(open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd_) {
        const int error = errno;
        const OpenFailure failure = FailureOfOpen(error);
        return {failure, device, std::strerror(error),
                failure == OpenFailure::PermissionDenied ? AccessOf(device) : DeviceAccess{}};
    }
    if (!isatty(fd_.Get())) {
        const int error = errno;
        Close();
        return {OpenFailure::NotATerminal, device, std::strerror(error)};
    }
    OpenError result = SetUpLine(config);
    result.device = device;
    if (result.failure != OpenFailure::None) {
        Close();
    }
    return result;
}

namespace {

OpenError Failed(OpenFailure failure) {
    return OpenError{failure, {}, std::strerror(errno)};
}

}  // namespace

OpenError PosixSerialDevice::SetUpLine(const PortConfig& config) {
    OpenError error = TakeExclusively();
    if (error.failure == OpenFailure::None) {
        error = ApplyLineSettings(config);
    }
    if (error.failure == OpenFailure::None) {
        error = RaiseLines(config);
    }
    if (error.failure == OpenFailure::None) {
        tcflush(fd_.Get(), TCIOFLUSH);
        config_ = config;
    }
    return error;
}

OpenError PosixSerialDevice::TakeExclusively() {
    // The flock holds against root too, whom TIOCEXCL lets through.
    if (flock(fd_.Get(), LOCK_EX | LOCK_NB) != 0) {
        return Failed(errno == EWOULDBLOCK ? OpenFailure::Busy : OpenFailure::Other);
    }
    if (ioctl(fd_.Get(), TIOCEXCL) != 0) {
        return Failed(OpenFailure::Other);
    }
    exclusive_ = true;
    return {};
}

OpenError PosixSerialDevice::ApplyLineSettings(const PortConfig& config) {
    if (tcgetattr(fd_.Get(), &found_) != 0) {
        return Failed(OpenFailure::Other);
    }
    if (std::string refusal = RefusalOf(config); !refusal.empty()) {
        return {OpenFailure::SettingsRefused, {}, std::move(refusal)};
    }
    const termios wanted = LineSettings(found_, config);
    changedLine_ = true;
    if (tcsetattr(fd_.Get(), TCSANOW, &wanted) != 0) {
        return Failed(OpenFailure::SettingsRefused);
    }
    termios actual{};
    if (tcgetattr(fd_.Get(), &actual) != 0) {
        return Failed(OpenFailure::Other);
    }
    if (!Holds(actual, wanted)) {
        return {OpenFailure::SettingsRefused, {}, "The port did not keep the line settings"};
    }
    return {};
}

OpenError PosixSerialDevice::RaiseLines(const PortConfig& config) {
    if (!DriveLine(TIOCMBIS, TIOCM_DTR) ||
        !DriveLine(config.flowControl != 0 ? TIOCMBIS : TIOCMBIC, TIOCM_RTS)) {
        return Failed(OpenFailure::Other);
    }
    const int status = ModemStatus();
    if (status < 0) {
        return Failed(OpenFailure::Other);
    }
    if ((status & TIOCM_DSR) == 0) {
        return {OpenFailure::DsrOff, {}, "DSR is off"};
    }
    return {};
}

bool PosixSerialDevice::DriveLine(unsigned long request, int line) {
    return modemLines_(fd_.Get(), request, &line) == 0 || HasNoModemLines(errno);
}

int PosixSerialDevice::ModemStatus() {
    int lines = 0;
    if (modemLines_(fd_.Get(), TIOCMGET, &lines) == 0) {
        return lines;
    }
    return HasNoModemLines(errno) ? TIOCM_DSR | TIOCM_CTS : -1;
}

bool PosixSerialDevice::WaitForHandshake(Clock::time_point deadline) {
    constexpr int kBoth = TIOCM_CTS | TIOCM_DSR;
    for (;;) {
        const int status = ModemStatus();
        if (status < 0) {
            return false;
        }
        if ((status & kBoth) == kBoth) {
            return true;
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(kHandshakePoll, deadline - now));
    }
}

std::uint32_t PosixSerialDevice::Write(const Byte* data, std::uint32_t count) {
    const auto deadline = Clock::now() + kWriteGrace + LineTime(config_, count);
    std::uint32_t moved = 0;
    while (moved < count && WaitForHandshake(deadline)) {
        const ssize_t written = write(fd_.Get(), data + moved, count - moved);
        if (written > 0) {
            moved += static_cast<std::uint32_t>(written);
        } else if (written == 0 || errno == EAGAIN) {
            if (!WaitFor(fd_.Get(), POLLOUT, deadline)) {
                break;
            }
        } else if (errno != EINTR) {
            break;
        }
    }
    return moved;
}

std::uint32_t PosixSerialDevice::Read(Byte* data, std::uint32_t count) {
    const CommTimeouts& limits = config_.timeouts;
    const bool totalLimit = limits.readTotalMultiplier != 0 || limits.readTotalConstant != 0;
    const auto total = std::chrono::milliseconds(std::uint64_t{limits.readTotalMultiplier} * count +
                                                 limits.readTotalConstant);
    const auto interval = std::chrono::milliseconds(limits.readInterval);
    const auto start = Clock::now();
    const auto totalDeadline = totalLimit ? start + total : Clock::time_point::max();
    Clock::time_point lastByte;
    std::uint32_t got = 0;
    while (got < count) {
        const ssize_t n = read(fd_.Get(), data + got, count - got);
        if (n > 0) {
            got += static_cast<std::uint32_t>(n);
            lastByte = Clock::now();
            continue;
        }
        // With VMIN and VTIME 0 an empty queue reads as 0 bytes, not as EAGAIN.
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            break;
        }
        auto deadline = totalDeadline;
        if (got > 0 && limits.readInterval != 0) {
            deadline = std::min(deadline, lastByte + interval);
        }
        if (!WaitFor(fd_.Get(), POLLIN, deadline)) {
            break;
        }
    }
    return got;
}

void PosixSerialDevice::PurgeInput() {
    tcflush(fd_.Get(), TCIFLUSH);
}

void PosixSerialDevice::RestoreLine() {
    const auto deadline = Clock::now() + kWriteGrace;
    int queued = 0;
    while (ioctl(fd_.Get(), TIOCOUTQ, &queued) == 0 && queued > 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(kHandshakePoll);
    }
    // What the line still holds after the write limit will not go out: a drain would wait for
    // good.
    if (queued > 0) {
        tcflush(fd_.Get(), TCOFLUSH);
    }
    tcsetattr(fd_.Get(), TCSADRAIN, &found_);
    changedLine_ = false;
}

void PosixSerialDevice::Close() {
    if (!fd_) {
        return;
    }
    if (changedLine_) {
        RestoreLine();
    }
    // Exclusive mode belongs to the tty, not to this descriptor: a pseudo-terminal outlives us.
    if (exclusive_) {
        ioctl(fd_.Get(), TIOCNXCL);
    }
    fd_.Close();
    exclusive_ = false;
}

std::unique_ptr<SerialDevice> MakeSystemSerialDevice() {
    return std::make_unique<PosixSerialDevice>();
}

}  // namespace vemora
