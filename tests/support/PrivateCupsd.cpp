#include "support/PrivateCupsd.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <thread>

namespace vemora::test {
namespace fs = std::filesystem;
namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kCupsHelpers = "/usr/lib/cups";
constexpr std::size_t kMaxSocketPath = 104;

// Debian ships no serial backend (nor socket without the cups package), and cupsd refuses a
// device URI whose backend is missing. The stand-in takes a job and notes the queue it came from;
// the "slow" one takes two seconds over it, so that a test can catch a job while it prints.
constexpr const char* kStandInBackend = R"(#!/bin/sh
[ $# -eq 0 ] && exit 0
case "$DEVICE_URI" in slow:*) sleep 2 ;; esac
cat "${6:-/dev/stdin}" > "$(dirname "$0")/../../printed/$PRINTER"
)";

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

}  // namespace

namespace {

int Connect(const fs::path& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.string().copy(address.sun_path, sizeof address.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool Pass(int from, int to, std::string* seen, bool trickle) {
    char buffer[4096];
    const ssize_t n = read(from, buffer, sizeof buffer);
    if (n <= 0) {
        return false;
    }
    if (seen != nullptr) {
        seen->append(buffer, static_cast<std::size_t>(n));
    }
    for (ssize_t i = 0; trickle && i < n; ++i) {
        if (send(to, buffer + i, 1, MSG_NOSIGNAL) != 1) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    return trickle || to < 0 || send(to, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL) == n;
}

}  // namespace

SchedulerRelay::SchedulerRelay(const PrivateCupsd& cupsd, Play play)
    : scheduler_(cupsd.Socket()),
      socket_(cupsd.Socket().parent_path() / "relay.sock"),
      play_(std::move(play)) {
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socket_.string().copy(address.sun_path, sizeof address.sun_path - 1);
    fs::remove(socket_);
    EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    listen(listener_, 8);
    EXPECT_EQ(pipe2(stop_, O_CLOEXEC), 0);
    accepter_ = std::thread([this] { Accept(); });
    setenv("CUPS_SERVER", socket_.c_str(), 1);
    cupsSetServer(nullptr);
}

SchedulerRelay::~SchedulerRelay() {
    close(stop_[1]);
    accepter_.join();
    for (std::thread& thread : relays_) {
        thread.join();
    }
    close(stop_[0]);
    close(listener_);
    setenv("CUPS_SERVER", scheduler_.c_str(), 1);
    cupsSetServer(nullptr);
}

void SchedulerRelay::Accept() {
    pollfd watched[] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    while (poll(watched, 2, -1) > 0 && watched[1].revents == 0) {
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        relays_.emplace_back([this, client] { Relay(client); });
    }
}

// Until either side or the test ends.
void SchedulerRelay::Relay(int client) const {
    const int server = Connect(scheduler_);
    std::string request;
    bool holding = false;
    bool told = false;
    pollfd watched[] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {stop_[0], POLLIN, 0}};
    while (server >= 0 && poll(watched, 3, -1) > 0 && watched[2].revents == 0) {
        if (watched[0].revents != 0 && !Pass(client, server, &request, false)) {
            break;
        }
        holding = holding || (play_.holdAfter && play_.holdAfter(request));
        if (watched[1].revents != 0) {
            if (holding && !told && play_.onHeld) {
                play_.onHeld();
            }
            told = holding;
            if (!Pass(server, holding ? -1 : client, nullptr, play_.trickle)) {
                break;
            }
            request.clear();
        }
    }
    close(server);
    close(client);
}

std::string DeleteAttributeBytes(const std::string& name) {
    return std::string{IPP_TAG_DELETEATTR, 0, static_cast<char>(name.size())} + name;
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::array<char, 512> buffer;
    std::string text;
    for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) {
        text.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    if (output != nullptr) {
        *output = std::move(text);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::ostream& operator<<(std::ostream& out, const Queue& queue) {
    return out << "{" << queue.deviceUri << (queue.stopped ? ", stopped" : ", idle") << ", \""
               << queue.message << "\"}";
}

Queue Look(const std::string& name) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                     "/printers/%s", name.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    Queue queue;
    if (const char* device =
            ippGetString(ippFindAttribute(response, "device-uri", IPP_TAG_URI), 0, nullptr)) {
        queue.deviceUri = device;
    }
    queue.stopped = ippGetInteger(ippFindAttribute(response, "printer-state", IPP_TAG_ENUM), 0) ==
                    IPP_PSTATE_STOPPED;
    if (const char* message = ippGetString(
            ippFindAttribute(response, "printer-state-message", IPP_TAG_ZERO), 0, nullptr)) {
        queue.message = message;
    }
    ippDelete(response);
    return queue;
}

std::unique_ptr<PrivateCupsd> CupsdTest::cupsd_;
std::string CupsdTest::why_;

void CupsdTest::SetUpTestSuite() {
    cupsd_ = PrivateCupsd::Start(why_);
}

void CupsdTest::TearDownTestSuite() {
    cupsd_.reset();
}

void CupsdTest::SetUp() {
    if (cupsd_ == nullptr) {
        if (std::getenv("CI") != nullptr) {
            FAIL() << why_;
        }
        GTEST_SKIP() << why_;
    }
}

void CupsdTest::TearDown() {
    if (cupsd_ != nullptr) {
        Shell("for q in $(lpstat -e); do lpadmin -x $q; done");
    }
}

void CupsdTest::Shell(const std::string& command) {
    std::string output;
    ASSERT_EQ(RunCommand(command, &output), 0) << command << "\n" << output;
}

void CupsdTest::AddQueue(const std::string& name, const std::string& deviceUri) {
    Shell("lpadmin -p " + name + " -E -v '" + deviceUri + "'");
}

std::unique_ptr<PrivateCupsd> PrivateCupsd::Start(std::string& why) {
    if (access(kCupsd, X_OK) != 0) {
        why = std::string(kCupsd) + " is missing (apt-get install cups-daemon cups-client)";
        return nullptr;
    }
    std::string folder = (fs::temp_directory_path() / "vemora-cups-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        why = "cannot make a temporary folder in " + fs::temp_directory_path().string();
        return nullptr;
    }
    std::unique_ptr<PrivateCupsd> cupsd(new PrivateCupsd(folder));
    if (!cupsd->Launch(why)) {
        return nullptr;
    }
    return cupsd;
}

bool PrivateCupsd::Launch(std::string& why) {
    const fs::path socket = folder_ / "cupsd.sock";
    if (socket.string().size() >= kMaxSocketPath) {
        why = "socket path too long: " + socket.string();
        return false;
    }
    // cupsd runs backends as lp, which must reach them and the folder they write to.
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    for (const char* sub : {"root", "state", "cache", "spool", "tmp", "log", "bin/backend"}) {
        fs::create_directories(folder_ / sub);
    }
    fs::create_directory(PrintedFolder());
    fs::permissions(PrintedFolder(), fs::perms::all);
    for (const char* helpers : {"daemon", "notifier"}) {
        fs::create_directory_symlink(fs::path(kCupsHelpers) / helpers, folder_ / "bin" / helpers);
    }
    for (const char* scheme : {"serial", "socket", "slow"}) {
        const fs::path backend = folder_ / "bin" / "backend" / scheme;
        WriteFile(backend, kStandInBackend);
        fs::permissions(backend, fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    }

    // Changes of a queue under the "locked" policy need a user that does not exist: refused.
    WriteFile(folder_ / "root" / "cupsd.conf", "Listen " + socket.string() + R"(
Browsing No
DefaultShared No
WebInterface No
DirtyCleanInterval 0
LogLevel info
<Policy default>
<Limit All>
Order deny,allow
</Limit>
</Policy>
<Policy locked>
<Limit CUPS-Add-Modify-Printer Resume-Printer>
AuthType Default
Require user no-such-user
</Limit>
<Limit All>
Order deny,allow
</Limit>
</Policy>
)");
    const std::string f = folder_.string();
    std::string files = "ServerRoot " + f + "/root\nStateDir " + f + "/state\nCacheDir " + f +
                        "/cache\nRequestRoot " + f + "/spool\nTempDir " + f + "/tmp\nServerBin " +
                        f + "/bin\nAccessLog " + f + "/log/access_log\nErrorLog " + f +
                        "/log/error_log\nPageLog " + f + "/log/page_log\nPrintcap " + f +
                        "/printcap\n";
    if (geteuid() == 0) {
        files += "User lp\nGroup lp\nSystemGroup root\n";
    } else if (const group* own = getgrgid(getegid())) {
        files += "SystemGroup " + std::string(own->gr_name) + "\n";
    }
    WriteFile(folder_ / "root" / "cups-files.conf", files);

    const std::string conf = f + "/root/cupsd.conf";
    const std::string filesConf = f + "/root/cups-files.conf";
    pid_ = fork();
    if (pid_ == 0) {
        // Goes down with the test program, however that ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execl(kCupsd, kCupsd, "-f", "-c", conf.c_str(), "-s", filesConf.c_str(), nullptr);
        _exit(127);
    }
    if (pid_ < 0) {
        why = "cannot start cupsd";
        return false;
    }
    setenv("CUPS_SERVER", socket.c_str(), 1);
    // libcups keeps the server it first read; a later scheduler of this program has another.
    cupsSetServer(nullptr);

    // lpstat -r exits 0 whether or not the scheduler answers; it is ready in about 40 ms.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (true) {
        std::string answer;
        RunCommand("lpstat -r", &answer);
        if (answer.find("scheduler is running") != std::string::npos) {
            return true;
        }
        const bool exited = waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (exited || std::chrono::steady_clock::now() > deadline) {
            if (!exited) {
                kill(pid_, SIGTERM);
                waitpid(pid_, nullptr, 0);
            }
            pid_ = -1;
            why = "cupsd did not come up; see " + ErrorLog().string();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void PrivateCupsd::Freeze() const {
    kill(pid_, SIGSTOP);
}

void PrivateCupsd::Thaw() const {
    kill(pid_, SIGCONT);
}

PrivateCupsd::~PrivateCupsd() {
    if (pid_ > 0) {
        // Started from a program, cupsd ignores SIGINT.
        Thaw();
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

}  // namespace vemora::test
