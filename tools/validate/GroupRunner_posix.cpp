#include "GroupRunner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlunda::validate {

namespace {

void WriteAll(int fd, const std::string& text) {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        left -= static_cast<std::size_t>(n);
    }
}

std::string Describe(int status, bool timedOut, int limit) {
    if (timedOut)
        return "no result within " + std::to_string(limit) + " s (a hang or a deadlock); killed";
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = strsignal(signal);
        return "crashed with signal " + std::to_string(signal) + " (" + (name ? name : "?") + ")";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        std::string text = "ended with exit code " + std::to_string(WEXITSTATUS(status));
        if (WEXITSTATUS(status) == 66)
            text += " (a ThreadSanitizer report, printed above)";
        return text;
    }
    return "ended without a complete report";
}

} // namespace

void GroupRunner::PrepareChild() {
    // A crash ends the child with its signal, which the parent reports; nothing to set up.
}

GroupReport GroupRunner::Run(const GroupInfo& group, double& seconds) {
    const auto started = std::chrono::steady_clock::now();
    const int limit = LimitSeconds(group);
    int channel[2];
    if (pipe(channel) != 0)
        return NotStarted(std::string("cannot start a child process: ") + std::strerror(errno));
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child == 0) {
        // Its own process group, so that a timeout kills its helpers too; a helper's child
        // stays in its parent's group, so that it dies with it when the parent is cut off.
        static bool insideChild = false;
        if (!insideChild)
            setpgid(0, 0);
        insideChild = true;
        close(channel[0]);
        // The plug-in's own chatter goes to stderr, never into the validator's report lines.
        dup2(2, 1);
        const int out = channel[1];
        const GroupReport report = RunGroupHere(group, options, [out](const std::string& stage) {
            WriteAll(out, "s " + stage + "\n");
        });
        WriteAll(out, report.Serialise());
        _exit(0);
    }
    close(channel[1]);
    if (child < 0) {
        close(channel[0]);
        return NotStarted(std::string("cannot start a child process: ") + std::strerror(errno));
    }

    std::string output;
    bool timedOut = false;
    const auto deadline = started + std::chrono::seconds(limit);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd waiting{channel[0], POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the child closed its end: it has finished or died
        output.append(buffer, static_cast<std::size_t>(n));
    }
    close(channel[0]);
    if (timedOut) {
        kill(-child, SIGKILL);
        kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const bool cleanExit = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !timedOut;
    return ChildReport(output, cleanExit, Describe(status, timedOut, limit));
}

} // namespace vorlunda::validate
