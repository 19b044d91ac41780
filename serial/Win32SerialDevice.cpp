#include "serial/Win32SerialDevice.h"

#include <chrono>
#include <utility>

#include "serial/LineTiming.h"
#include "serial/PortNames.h"
#include "serial/Win32Errors.h"

namespace vemora {
namespace {

constexpr std::string_view kDeviceNamespace = "\\\\.\\";

static_assert(sizeof(DCB) == 28, "the line settings record of the comm calls");

OpenError Failed(OpenFailure failure) {
    return {failure, {}, Win32ErrorText(GetLastError())};
}

OpenFailure FailureOfOpen(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return OpenFailure::NoSuchDevice;
        case ERROR_ACCESS_DENIED:
            return OpenFailure::PermissionDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return OpenFailure::Busy;
        default:
            return OpenFailure::Other;
    }
}

// The port's settings with the line discipline and `config` put in; every other field stays as
// the port reported it.
void PutLineSettings(DCB& line, const PortConfig& config) {
    const bool xonXoff = config.flowControl != 0;
    line.BaudRate = config.baudRate;
    line.ByteSize = static_cast<BYTE>(config.dataBits);
    line.Parity = static_cast<BYTE>(config.parity);
    line.StopBits = static_cast<BYTE>(config.stopBits);
    line.fParity = config.parity != 0;
    line.fOutxCtsFlow = 1;
    line.fOutxDsrFlow = 1;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fDsrSensitivity = 0;
    line.fTXContinueOnXoff = 0;
    line.fOutX = xonXoff;
    line.fInX = xonXoff;
    line.fNull = 0;
    line.fRtsControl = xonXoff ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
}

COMMTIMEOUTS TimeoutsOf(const CommTimeouts& limits) {
    return {limits.readInterval, limits.readTotalMultiplier, limits.readTotalConstant,
            limits.writeTotalMultiplier, limits.writeTotalConstant};
}

}  // namespace

std::string Win32DevicePath(std::string_view portName) {
    const std::string name = PortDevicePath(portName);
    return name.starts_with(kDeviceNamespace) ? name : std::string(kDeviceNamespace) + name;
}

Win32SerialDevice::Win32SerialDevice() : Win32SerialDevice(GetCommModemStatus) {}

Win32SerialDevice::Win32SerialDevice(ModemStatusQuery modemStatus)
    : modemStatus_(std::move(modemStatus)) {}

Win32SerialDevice::~Win32SerialDevice() {
    Close();
}

OpenError Win32SerialDevice::Open(const PortConfig& config) {
    Close();
    const std::string device = Win32DevicePath(config.portName);
    port_ = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port_ == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return {FailureOfOpen(error), device, Win32ErrorText(error)};
    }
    OpenError result = SetUpLine(config);
    result.device = device;
    if (result.failure != OpenFailure::None) {
        Close();
    }
    return result;
}

OpenError Win32SerialDevice::SetUpLine(const PortConfig& config) {
    DCB line{};
    line.DCBlength = sizeof line;
    if (!GetCommState(port_, &line)) {
        return Failed(OpenFailure::NotATerminal);
    }
    PutLineSettings(line, config);
    if (!SetCommState(port_, &line)) {
        return Failed(OpenFailure::SettingsRefused);
    }
    DWORD lines = 0;
    if (!modemStatus_(port_, &lines)) {
        // A port without modem lines (a virtual one) cannot tell: taken as DSR on, as on Linux.
        if (GetLastError() != ERROR_NOT_SUPPORTED) {
            return Failed(OpenFailure::Other);
        }
        lines = MS_DSR_ON | MS_CTS_ON;
    }
    if ((lines & MS_DSR_ON) == 0) {
        return {OpenFailure::DsrOff, {}, "DSR is off"};
    }
    COMMTIMEOUTS limits = TimeoutsOf(config.timeouts);
    if (!SetCommTimeouts(port_, &limits)) {
        return Failed(OpenFailure::Other);
    }
    PurgeComm(port_, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    config_ = config;
    writeLimit_ = limits.WriteTotalTimeoutConstant;
    return {};
}

void Win32SerialDevice::LimitWrite(std::uint32_t count) {
    const CommTimeouts& stored = config_.timeouts;
    if (stored.writeTotalMultiplier != 0 || stored.writeTotalConstant != 0) {
        return;
    }
    const auto limit = std::chrono::ceil<std::chrono::milliseconds>(WriteLimit(config_, count));
    COMMTIMEOUTS limits = TimeoutsOf(stored);
    limits.WriteTotalTimeoutConstant = static_cast<DWORD>(limit.count());
    if (limits.WriteTotalTimeoutConstant != writeLimit_ && SetCommTimeouts(port_, &limits)) {
        writeLimit_ = limits.WriteTotalTimeoutConstant;
    }
}

std::uint32_t Win32SerialDevice::Write(const Byte* data, std::uint32_t count) {
    LimitWrite(count);
    DWORD written = 0;
    // A write cut short by its time-out reports the bytes that went out.
    WriteFile(port_, data, count, &written, nullptr);
    return written;
}

std::uint32_t Win32SerialDevice::Read(Byte* data, std::uint32_t count) {
    DWORD got = 0;
    ReadFile(port_, data, count, &got, nullptr);
    return got;
}

void Win32SerialDevice::PurgeInput() {
    PurgeComm(port_, PURGE_RXCLEAR);
}

void Win32SerialDevice::Close() {
    if (port_ != INVALID_HANDLE_VALUE) {
        CloseHandle(port_);
        port_ = INVALID_HANDLE_VALUE;
    }
}

std::unique_ptr<SerialDevice> MakeSystemSerialDevice() {
    return std::make_unique<Win32SerialDevice>();
}

}  // namespace vemora
