#include "platform/posix_process_launcher.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/command_line.h"

namespace tikr {

namespace {

constexpr std::size_t PROGRAM_STACK_BYTES = 256 * 1024;

// Both children share this process's memory until they exec or end, and it
// waits for them meanwhile: the intermediate child is made with vfork, the
// program with clone on a stack of its own. No page tables are copied, so
// starting a program costs the same however large the scheduler has grown
// (a thousand due tasks start in about a second). In the children only
// async-signal-safe calls are made, nothing is allocated and no shared
// variable is written: the result comes back through the error pipe.

[[noreturn]] void ReportAndExit(int errorFd, int error, int exitCode) {
    // Four bytes into a pipe are written at once or not at all.
    [[maybe_unused]] const ssize_t written = write(errorFd, &error, sizeof error);
    _exit(exitCode);
}

// The grandchild: becomes the program.
[[noreturn]] void RunProgram(char* const* argv, int errorFd, int maxFd) {
    setsid();

    // Descriptors above standard error close on exec (the error pipe
    // included, which is how the parent learns that exec succeeded).
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < maxFd; ++fd) {
            const int flags = fcntl(fd, F_GETFD);
            if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
        }
    }

    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0 && devNull != STDIN_FILENO) {
        dup2(devNull, STDIN_FILENO);
        close(devNull);
    }

    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    execvp(argv[0], argv);
    ReportAndExit(errorFd, errno, 127);
}

struct ProgramStart {
    char* const* argv;
    int errorFd;
    int maxFd;
};

int RunProgramOnItsStack(void* start) {
    const auto* program = static_cast<const ProgramStart*>(start);
    RunProgram(program->argv, program->errorFd, program->maxFd);
}

// The intermediate child: puts signals back to their defaults (its own
// table: vfork shares memory, not signal dispositions), starts the program
// and ends at once so that the program is adopted by the system.
[[noreturn]] void RunChild(ProgramStart& start, char* stackTop) {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &defaults, nullptr);  // some refuse; fine

    // CLONE_VFORK: the program's exec or end comes before this child ends,
    // so a failed exec is in the pipe before the parent reads it.
    const pid_t program = clone(RunProgramOnItsStack, stackTop, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
    if (program < 0) ReportAndExit(start.errorFd, errno, 1);
    _exit(0);
}

}  // namespace

LaunchResult PosixProcessLauncher::Start(const std::string& commandLine, int /*showState*/) {
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) return LaunchResult::Failed("the command line is empty");
    // exec takes C strings; a word with a NUL in it would be cut short and
    // start something other than what the text says.
    for (const std::string& word : words)
        if (word.find('\0') != std::string::npos) return LaunchResult::Failed("the command line holds a NUL character");

    // Everything the children need is prepared before fork.
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    long openMax = sysconf(_SC_OPEN_MAX);
    if (openMax < 0 || openMax > 65536) openMax = 65536;
    const int maxFd = static_cast<int>(openMax);

    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) return LaunchResult::Failed(std::strerror(errno));
    ProgramStart start{argv.data(), errorPipe[1], maxFd};
    // The program's stack until its exec; the stack grows down on every
    // platform this runs on.
    std::vector<char> programStack(PROGRAM_STACK_BYTES);
    char* const stackTop = programStack.data() + programStack.size();

    // Signals stay blocked across vfork so that no handler of ours runs in
    // a child (on this process's memory) before its dispositions are reset.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t child = vfork();
    if (child == 0) {
        close(errorPipe[0]);
        RunChild(start, stackTop);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(errorPipe[1]);
    if (child < 0) {
        const int error = errno;
        close(errorPipe[0]);
        return LaunchResult::Failed(std::strerror(error));
    }

    int status = 0;
    pid_t reaped;
    do {
        reaped = waitpid(child, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    // With SIGCHLD ignored the system reaps the child itself (ECHILD); the
    // pipe still tells whether the program started.
    const bool childOk = reaped < 0 ? errno == ECHILD : WIFEXITED(status) && WEXITSTATUS(status) == 0;

    // End of file without a report: the program's exec closed the pipe.
    int error = 0;
    ssize_t got;
    do {
        got = read(errorPipe[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(errorPipe[0]);
    if (childOk && got == 0) return LaunchResult::Started();
    return LaunchResult::Failed(got > 0 ? std::strerror(error) : "the process could not be created");
}

}  // namespace tikr
