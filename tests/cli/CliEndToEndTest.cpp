// vemora-cli against vemora-display-sim on a pseudo-terminal: the programs as a user runs them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "switches/StatusFile.h"

extern char** environ;

namespace vemora {
namespace {

namespace fs = std::filesystem;

struct Finished {
    int status = -1;
    std::string out, err;
};

// Starts a program with its stdout and stderr on pipes.
pid_t Start(std::vector<std::string> args, int& outFd, int& errFd) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    outFd = out[0];
    errFd = err[0];
    return pid;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

Finished Cli(std::vector<std::string> args) {
    args.insert(args.begin(), VEMORA_CLI);
    int outFd, errFd;
    const pid_t pid = Start(args, outFd, errFd);
    Finished f;
    f.out = ReadAll(outFd);
    f.err = ReadAll(errFd);
    int status = 0;
    waitpid(pid, &status, 0);
    f.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return f;
}

class Simulator {
  public:
    explicit Simulator(std::vector<std::string> options) {
        options.insert(options.begin(), VEMORA_SIM);
        pid_ = Start(options, outFd_, errFd_);
        // Its first line is the path of the pseudo-terminal.
        char c;
        pollfd pfd{outFd_, POLLIN, 0};
        while (poll(&pfd, 1, 5000) > 0 && read(outFd_, &c, 1) == 1 && c != '\n') {
            path_ += c;
        }
    }
    ~Simulator() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        close(outFd_);
        close(errFd_);
    }
    const std::string& Path() const { return path_; }

  private:
    pid_t pid_ = -1;
    int outFd_ = -1, errFd_ = -1;
    std::string path_;
};

class CliEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vemora-e2e-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(CliEndToEnd, CheckGetSaveShowAndSetLoad) {
    SwitchImage start;
    start.ApplyCodeTable(6);
    start.ApplyCharacterSet(13);
    start.ApplyBrightness(0);
    start.ApplyPeripheralDevice(1);
    start.ApplyCursorMode(0);
    ASSERT_TRUE(SaveStatusFile(dir_ / "start.sts", start).ok());
    Simulator sim({"--switches", (dir_ / "start.sts").string(), "--noise", "3", "--log",
                   (dir_ / "sim.log").string()});
    ASSERT_FALSE(sim.Path().empty());

    Finished check = Cli({"-p", sim.Path(), "check"});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, "Connected.\n");

    const std::string saved = (dir_ / "kept").string();
    Finished get = Cli({"-p", sim.Path(), "--keep-printers", "get", "--save", saved});
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_NE(get.out.find("Character code table: PC737 (Greek)\n"), std::string::npos);
    EXPECT_NE(get.out.find("International character set: Korea\n"), std::string::npos);
    ASSERT_TRUE(fs::exists(saved + ".sts"));

    Finished show = Cli({"show", saved + ".sts"});
    EXPECT_EQ(show.status, 0);
    EXPECT_EQ(show.out,
              "Character code table: PC737 (Greek)\nInternational character set: Korea\n"
              "Brightness: 100%\nPeripheral device: Customer Display\n"
              "Cursor display mode: Cursor is displayed\n");

    SwitchImage other;
    other.ApplyCodeTable(1);
    ASSERT_TRUE(SaveStatusFile(dir_ / "other.sts", other).ok());
    Finished set = Cli({"-p", sim.Path(), "--keep-printers", "set", "--load",
                        (dir_ / "other.sts").string(), "--charset", "France"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_NE(set.out.find("Success to set status of ZRN\n"), std::string::npos);

    Finished reread = Cli({"-p", sim.Path(), "--keep-printers", "--json", "get"});
    EXPECT_EQ(reread.status, 0);
    EXPECT_NE(reread.out.find("\"codeTable\": {\"index\": 1, \"item\": \"Katakana\"}"),
              std::string::npos)
        << reread.out;
    EXPECT_NE(reread.out.find("\"characterSet\": {\"index\": 1, \"item\": \"France\"}"),
              std::string::npos);

    // The simulator heard a switch write for every bank.
    std::ifstream log(dir_ / "sim.log");
    std::string line;
    int writes = 0;
    while (std::getline(log, line)) {
        writes += line.find("1F 28 45 0A 00 03") != std::string::npos;
    }
    EXPECT_EQ(writes, 5);
}

TEST_F(CliEndToEnd, DirectAndInfoInAnotherEmulation) {
    Simulator sim({"--mode", "korvant", "--log", (dir_ / "sim.log").string()});
    Finished direct = Cli({"-p", sim.Path(), "--keep-printers", "-m", "korvant", "direct",
                           "--code-table", "6", "--charset", "Korea"});
    EXPECT_EQ(direct.status, 0) << direct.err;
    Finished info = Cli({"-p", sim.Path(), "--keep-printers", "-m", "korvant", "info"});
    EXPECT_EQ(info.status, 0) << info.err;
    usleep(300 * 1000);  // the simulator logs what it has read
    std::ifstream log(dir_ / "sim.log");
    const std::string text((std::istreambuf_iterator<char>(log)), {});
    EXPECT_NE(text.find("02 05 53 0D 03"), std::string::npos) << text;
    EXPECT_NE(text.find("02 05 46 1D 03"), std::string::npos);
    EXPECT_NE(text.find("02 05 56 05 03"), std::string::npos);
}

TEST_F(CliEndToEnd, SilentDisplayAndMissingPort) {
    Simulator sim({"--silent"});
    Finished check = Cli({"-p", sim.Path(), "--keep-printers", "check"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "This Display don't match our company name.\n");

    Finished missing = Cli({"-p", "/dev/vemora-no-such-port", "--keep-printers", "check"});
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.err.find("Can't open port and Display is disconnected\n"), std::string::npos);
    EXPECT_NE(missing.err.find("/dev/vemora-no-such-port"), std::string::npos);

    Finished usage = Cli({"--baud", "300", "check"});
    EXPECT_EQ(usage.status, 2);
}

}  // namespace
}  // namespace vemora
