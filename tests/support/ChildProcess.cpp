#include "support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

extern char** environ;

namespace vemora::test {

Child Start(std::vector<std::string> args, int stdoutTo) {
    int out[2] = {-1, -1}, err[2];
    if ((stdoutTo < 0 && pipe2(out, O_CLOEXEC) != 0) || pipe2(err, O_CLOEXEC) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdoutTo < 0 ? out[1] : stdoutTo, 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    Child child;
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        child.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (stdoutTo < 0) {
        close(out[1]);
    }
    close(err[1]);
    child.out = out[0];
    child.err = err[0];
    return child;
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

Simulator::Simulator(std::vector<std::string> options) {
    options.insert(options.begin(), VEMORA_SIM);
    child_ = Start(options);
    // Its first line is the path of the pseudo-terminal.
    char c;
    pollfd pfd{child_.out, POLLIN, 0};
    while (poll(&pfd, 1, 5000) > 0 && read(child_.out, &c, 1) == 1 && c != '\n') {
        path_ += c;
    }
}

Simulator::~Simulator() {
    // kill(-1) would reach every process of this user.
    if (child_.pid > 0) {
        kill(child_.pid, SIGTERM);
        waitpid(child_.pid, nullptr, 0);
    }
    close(child_.out);
    close(child_.err);
}

std::vector<std::string> Heard(const std::filesystem::path& log) {
    std::ifstream in(log);
    std::vector<std::string> commands;
    for (std::string line; std::getline(in, line);) {
        commands.push_back(line.substr(line.find(' ') + 1));
    }
    return commands;
}

}  // namespace vemora::test
