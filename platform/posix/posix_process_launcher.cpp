#include "platform/posix/posix_process_launcher.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "platform/launch_failure_text.h"

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

// What a child reports through the error pipe when it fails: which step
// failed and the system's error number. The parent turns it into words.
struct ChildReport {
    enum Step : int { EXEC, CLONE } step;
    int error;
};

[[noreturn]] void ReportAndExit(int errorFd, ChildReport::Step step, int error, int exitCode) {
    // Up to PIPE_BUF bytes into a pipe are written at once or not at all.
    const ChildReport report{step, error};
    [[maybe_unused]] const ssize_t written = write(errorFd, &report, sizeof report);
    _exit(exitCode);
}

// The grandchild: becomes the program, trying the files in turn as execvp
// would (a file that is missing or may not be run leads on to the next),
// and reports why the last one failed, or that one was not executable.
[[noreturn]] void RunProgram(char* const* files, char* const* argv, int errorFd, int maxFd) {
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

    int error = ENOENT;
    bool denied = false;
    for (char* const* file = files; *file != nullptr; ++file) {
        execve(*file, argv, environ);
        error = errno;
        switch (error) {
        case EACCES: denied = true; break;
        case ENOENT:
        case ENOTDIR:
        case ESTALE:
        case ENODEV:
        case ETIMEDOUT: break;
        default: ReportAndExit(errorFd, ChildReport::EXEC, error, 127);
        }
    }
    ReportAndExit(errorFd, ChildReport::EXEC, denied ? EACCES : error, 127);
}

struct ProgramStart {
    char* const* files;
    char* const* argv;
    int errorFd;
    int maxFd;
};

int RunProgramOnItsStack(void* start) {
    const auto* program = static_cast<const ProgramStart*>(start);
    RunProgram(program->files, program->argv, program->errorFd, program->maxFd);
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
    if (program < 0) ReportAndExit(start.errorFd, ChildReport::CLONE, errno, 1);
    _exit(0);
}

// The files to try for program, in order: the program itself when it names
// a path, else the program in each directory of PATH (an empty entry is the
// current directory). The search is made here rather than by execvp, which
// hands a file that is no program to /bin/sh: its text would then be run as
// shell commands.
std::vector<std::string> ProgramFiles(const std::string& program) {
    if (program.find('/') != std::string::npos) return {program};
    const char* const pathVariable = std::getenv("PATH");
    const std::string path = pathVariable != nullptr ? pathVariable : "/bin:/usr/bin";
    std::vector<std::string> files;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find(':', start);
        const std::string dir = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        files.push_back(dir.empty() ? program : dir + "/" + program);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return files;
}

// What the program's file is, for the words of an exec failure; looked at
// only after exec failed, so a change in between only changes the words.
ProgramFile ProgramFileOf(const std::string& program) {
    struct stat info {};
    if (program.find('/') == std::string::npos || stat(program.c_str(), &info) != 0) return ProgramFile::UNKNOWN;
    return S_ISDIR(info.st_mode) ? ProgramFile::DIRECTORY : ProgramFile::OTHER;
}

}  // namespace

LaunchResult PosixProcessLauncher::Start(const std::string& commandLine, int /*showState*/) {
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty()) return LaunchResult::Failed(LaunchFailureText(LaunchFailure::EMPTY_COMMAND_LINE, {}));
    // exec takes C strings; a word with a NUL in it would be cut short and
    // start something other than what the text says.
    for (const std::string& word : words)
        if (word.find('\0') != std::string::npos)
            return LaunchResult::Failed(LaunchFailureText(LaunchFailure::NUL_IN_COMMAND_LINE, {}));
    const std::string program = words.front();
    if (program.empty()) return LaunchResult::Failed(LaunchFailureText(LaunchFailure::NO_PROGRAM, program));

    // Everything the children need is prepared before fork.
    std::vector<std::string> files = ProgramFiles(program);
    std::vector<char*> filePointers;
    filePointers.reserve(files.size() + 1);
    for (std::string& file : files) filePointers.push_back(file.data());
    filePointers.push_back(nullptr);
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    long openMax = sysconf(_SC_OPEN_MAX);
    if (openMax < 0 || openMax > 65536) openMax = 65536;
    const int maxFd = static_cast<int>(openMax);

    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) return LaunchResult::Failed(std::strerror(errno));
    ProgramStart start{filePointers.data(), argv.data(), errorPipe[1], maxFd};
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
    ChildReport report{};
    ssize_t got;
    do {
        got = read(errorPipe[0], &report, sizeof report);
    } while (got < 0 && errno == EINTR);
    close(errorPipe[0]);
    if (childOk && got == 0) return LaunchResult::Started();
    if (got != static_cast<ssize_t>(sizeof report)) return LaunchResult::Failed("the process could not be created");
    if (report.step == ChildReport::CLONE) return LaunchResult::Failed(std::strerror(report.error));
    return LaunchResult::Failed(ExecFailureText(report.error, program, ProgramFileOf(program)));
}

}  // namespace tikr
