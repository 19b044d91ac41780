#include "printers/WinSpooler.h"

#include <windows.h>
#include <winspool.h>
// The A calls are named in full; the macro would rename Spooler::OpenPrinter.
#undef OpenPrinter

#include <sstream>

namespace vemora {
namespace {

// The mark's printer data: the port string, "started", "stopped" or "unpaused" (started, and the
// pause was refused), the holders; one a line.
constexpr const char* kMarkValue = "VemoraParkMark";

std::string EncodeMark(const ParkMark& mark) {
    const char* state = !mark.started ? "stopped" : mark.pauseRefused ? "unpaused" : "started";
    return mark.port + "\n" + state + "\n" + EncodeHolders(mark.holders);
}

std::optional<ParkMark> DecodeMark(const std::string& text) {
    std::istringstream lines(text);
    ParkMark mark;
    std::string started;
    std::string holders;
    if (!std::getline(lines, mark.port) || mark.port.empty() || !std::getline(lines, started)) {
        return std::nullopt;
    }
    std::getline(lines, holders);
    mark.started = started != "stopped";
    mark.pauseRefused = started == "unpaused";
    mark.holders = DecodeHolders(holders);
    return mark;
}

std::optional<ParkMark> ReadMark(HANDLE printer) {
    DWORD type = 0;
    DWORD needed = 0;
    char text[4096] = {};
    if (GetPrinterDataA(printer, const_cast<char*>(kMarkValue), &type,
                        reinterpret_cast<BYTE*>(text), sizeof text - 1, &needed) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    return DecodeMark(text);
}

bool WriteMark(HANDLE printer, const std::string& text) {
    return SetPrinterDataA(printer, const_cast<char*>(kMarkValue), REG_SZ,
                           reinterpret_cast<BYTE*>(const_cast<char*>(text.c_str())),
                           static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

LocalPrinter RecordOf(const PRINTER_INFO_2A& info) {
    return {.name = info.pPrinterName ? info.pPrinterName : "",
            .port = info.pPortName ? info.pPortName : "",
            .stopped = (info.Status & PRINTER_STATUS_PAUSED) != 0};
}

class WinPrinter final : public SpoolerPrinter {
  public:
    explicit WinPrinter(HANDLE handle) : handle_(handle) {}
    ~WinPrinter() override { ClosePrinter(handle_); }
    WinPrinter(const WinPrinter&) = delete;
    WinPrinter& operator=(const WinPrinter&) = delete;

    bool Fetch() override {
        DWORD needed = 0;
        if (!GetPrinterA(handle_, 2, nullptr, 0, &needed) &&
            GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
        info_.assign(needed, 0);
        if (needed == 0 || !GetPrinterA(handle_, 2, info_.data(), needed, &needed)) {
            info_.clear();
            return false;
        }
        record_ = RecordOf(Info());
        record_.mark = ReadMark(handle_);
        return true;
    }
    const LocalPrinter& Record() const override { return record_; }

    bool Park(const Holder& holder) override {
        ParkMark mark{record_.port, !record_.stopped, {}, {holder}};
        // The mark first: a printer on "FILE:" without it could never be given back.
        if (!WriteMark(handle_, EncodeMark(mark))) {
            return false;
        }
        if (!SetPort(std::string(kParkingPort))) {
            WriteMark(handle_, "");
            return false;
        }
        // A refused pause leaves it parked all the same; the mark says so for the give-back.
        if (mark.started && !SetPrinterA(handle_, 0, nullptr, PRINTER_CONTROL_PAUSE)) {
            mark.pauseRefused = true;
            WriteMark(handle_, EncodeMark(mark));
        }
        return true;
    }
    bool SetHolders(const std::vector<Holder>& holders) override {
        if (!record_.mark) {
            return false;
        }
        ParkMark mark = *record_.mark;
        mark.holders = holders;
        return WriteMark(handle_, EncodeMark(mark));
    }
    bool GiveBackPort() override {
        if (!record_.mark || !SetPort(record_.mark->port)) {
            return false;
        }
        WriteMark(handle_, "");
        return true;
    }
    // The spooler forgets a job once it has printed it: none can be named.
    std::vector<int> JobsPrintedSince(std::int64_t) override { return {}; }
    bool Resume() override {
        return !record_.mark || !record_.mark->started || !record_.stopped ||
               SetPrinterA(handle_, 0, nullptr, PRINTER_CONTROL_RESUME);
    }

  private:
    PRINTER_INFO_2A& Info() { return *reinterpret_cast<PRINTER_INFO_2A*>(info_.data()); }

    // Stores the fetched record with another port string (level 2, command 0).
    bool SetPort(std::string port) {
        if (info_.empty()) {
            return false;
        }
        PRINTER_INFO_2A changed = Info();
        changed.pPortName = port.data();
        changed.pSecurityDescriptor = nullptr;  // left as it is
        return SetPrinterA(handle_, 2, reinterpret_cast<BYTE*>(&changed), 0);
    }

    HANDLE handle_;
    std::vector<BYTE> info_;
    LocalPrinter record_;
};

class WinSpooler final : public Spooler {
  public:
    void BeginPass(const PassLimits& limits) override {
        limits_ = limits;
        state_ = SchedulerState::Answering;
    }
    SchedulerState State() const override {
        return limits_.Interrupted() ? SchedulerState::Interrupted : state_;
    }
    std::vector<LocalPrinter> ListLocalPrinters() override;
    std::unique_ptr<SpoolerPrinter> OpenPrinter(const std::string& name) override;

  private:
    PassLimits limits_{};
    SchedulerState state_ = SchedulerState::Answering;
};

std::vector<LocalPrinter> WinSpooler::ListLocalPrinters() {
    std::vector<LocalPrinter> printers;
    DWORD needed = 0;
    DWORD count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> list(needed);
    if (needed == 0 ||
        !EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, list.data(), needed, &needed, &count)) {
        // No spooler service: nothing to park.
        if (GetLastError() == RPC_S_SERVER_UNAVAILABLE) {
            state_ = SchedulerState::NotRunning;
        }
        return printers;
    }
    const auto* infos = reinterpret_cast<const PRINTER_INFO_2A*>(list.data());
    for (DWORD i = 0; i < count && State() == SchedulerState::Answering; ++i) {
        LocalPrinter printer = RecordOf(infos[i]);
        if (auto opened = OpenPrinter(printer.name); opened && opened->Fetch()) {
            printer.mark = opened->Record().mark;
        }
        printers.push_back(std::move(printer));
    }
    return printers;
}

std::unique_ptr<SpoolerPrinter> WinSpooler::OpenPrinter(const std::string& name) {
    if (State() != SchedulerState::Answering) {
        return nullptr;
    }
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE handle = nullptr;
    if (!::OpenPrinterA(const_cast<char*>(name.c_str()), &handle, &defaults)) {
        return nullptr;
    }
    return std::make_unique<WinPrinter>(handle);
}

}  // namespace

std::unique_ptr<Spooler> MakeWinSpooler() {
    return std::make_unique<WinSpooler>();
}

std::unique_ptr<Spooler> MakeSystemSpooler() {
    return MakeWinSpooler();
}

}  // namespace vemora
