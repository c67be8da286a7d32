#include "platform/ExternalProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace vorlunda::external {

namespace {

constexpr std::size_t kOutputLimit = 64 * 1024; // bytes
constexpr int kWaitStepMs = 20;

std::vector<char*> ArgumentVector(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Spawns with standard input from /dev/null, standard output into `outFd` (or /dev/null when
// negative) and standard error to /dev/null.
pid_t Spawn(const std::vector<std::string>& arguments, int outFd) {
    if (arguments.empty())
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = ArgumentVector(arguments);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

int ExitStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path || name.empty() || name.find('/') != std::string::npos)
        return {};
    std::string list(path);
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string folder = end > start ? list.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + name;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

int Run(const std::vector<std::string>& arguments, std::string& output,
        const std::function<bool()>& waiting) {
    output.clear();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = Spawn(arguments, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    bool ended = false;
    bool open = true;
    bool reapedElsewhere = false;
    int status = 0;
    for (;;) {
        if (open) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, kWaitStepMs) > 0) {
                char buffer[4096];
                const ssize_t n = read(fds[0], buffer, sizeof buffer);
                if (n > 0 && output.size() < kOutputLimit)
                    output.append(buffer, static_cast<std::size_t>(n));
                else if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                    open = false;
            }
        } else {
            usleep(kWaitStepMs * 1000);
        }
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno == ECHILD) {
            // A host that reaps every child itself: judge by what the program printed.
            reapedElsewhere = true;
            break;
        }
        if (done < 0 && errno != EINTR) {
            status = -1;
            break;
        }
        if (!ended && waiting && !waiting()) {
            kill(pid, SIGTERM);
            ended = true;
        }
    }
    // Whatever is left in the pipe.
    for (char buffer[4096]; open;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        if (output.size() < kOutputLimit)
            output.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (reapedElsewhere)
        return ended ? -1 : (output.empty() ? 1 : 0);
    return ended || status < 0 ? -1 : ExitStatus(status);
}

bool Launch(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return false;
    // A shell puts the program in the background and ends at once, so nothing is left to reap.
    std::vector<std::string> shell{"/bin/sh", "-c", "\"$@\" >/dev/null 2>&1 </dev/null &", "sh"};
    shell.insert(shell.end(), arguments.begin(), arguments.end());
    const pid_t pid = Spawn(shell, -1);
    if (pid < 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return ExitStatus(status) == 0;
}

} // namespace vorlunda::external
