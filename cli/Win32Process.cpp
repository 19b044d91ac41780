#include <windows.h>

#include <cstdlib>
#include <mutex>

#include "cli/Process.h"
#include "serial/Win32Errors.h"

// The runtime's own parse of the command line into wide arguments (msvcrt).
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** env, int glob, int* startInfo);

namespace vemora {
namespace {

// The numbers POSIX gives the signals, so that the exit status is the same on both systems.
constexpr int kInterrupt = 2;
constexpr int kHangUp = 1;

std::string Utf8(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

// The console calls its handlers without a context: the one watch of the process is here.
std::mutex watchMutex;
std::function<void(int)> onControl;

BOOL WINAPI OnControlEvent(DWORD event) {
    std::function<void(int)> onSignal;
    {
        std::lock_guard lock(watchMutex);
        onSignal = onControl;
    }
    if (!onSignal) {
        return FALSE;
    }
    const int signal = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? kInterrupt : kHangUp;
    onSignal(signal);
    std::_Exit(128 + signal);
}

class Win32SignalWatch final : public SignalWatch {
  public:
    ~Win32SignalWatch() override {
        SetConsoleCtrlHandler(OnControlEvent, FALSE);
        std::lock_guard lock(watchMutex);
        onControl = nullptr;
    }
};

}  // namespace

std::vector<std::string> CommandLineArguments(int, char**) {
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** env = nullptr;
    int startInfo = 0;
    std::vector<std::string> arguments;
    if (__wgetmainargs(&argc, &argv, &env, 0, &startInfo) != 0) {
        return arguments;
    }
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(Utf8(argv[i]));
    }
    return arguments;
}

void PrepareProcess() {
    SetConsoleOutputCP(CP_UTF8);
}

std::unique_ptr<SignalWatch> WatchEndingSignals(std::function<void(int signal)> onSignal,
                                                std::string& error) {
    {
        std::lock_guard lock(watchMutex);
        onControl = std::move(onSignal);
    }
    if (!SetConsoleCtrlHandler(OnControlEvent, TRUE)) {
        error = Win32ErrorText(GetLastError());
        return nullptr;
    }
    return std::make_unique<Win32SignalWatch>();
}

}  // namespace vemora
