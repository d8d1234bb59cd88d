#include "platform/posix/posix_program_child.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/launch_failure_text.h"

namespace tikr {

const char* const PROCESS_NOT_CREATED = "the process could not be created";

namespace {

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

int RunProgramOnItsStack(void* start) { RunProgram(*static_cast<const ProgramStart*>(start)); }

// What the program's file is, for the words of an exec failure; looked at
// only after exec failed, so a change in between only changes the words.
ProgramFile ProgramFileOf(const std::string& program) {
    struct stat info {};
    if (program.find('/') == std::string::npos || stat(program.c_str(), &info) != 0) return ProgramFile::UNKNOWN;
    return S_ISDIR(info.st_mode) ? ProgramFile::DIRECTORY : ProgramFile::OTHER;
}

}  // namespace

void ResetSignals() {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &defaults, nullptr);  // some refuse; fine
}

void RunProgram(const ProgramStart& start) {
    setsid();
    if (start.fileLimit != nullptr) setrlimit(RLIMIT_NOFILE, start.fileLimit);

    // Descriptors above standard error close on exec (the error pipe
    // included, which is how the parent learns that exec succeeded).
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd < start.maxFd; ++fd) {
            const int flags = fcntl(fd, F_GETFD);
            if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
        }
    }

    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0 && devNull != STDIN_FILENO) {
        dup2(devNull, STDIN_FILENO);
        close(devNull);
    }
    // The output file is above standard error and closes on exec; its
    // copies on 1 and 2 stay open.
    if (start.outputFd >= 0) {
        dup2(start.outputFd, STDOUT_FILENO);
        dup2(start.outputFd, STDERR_FILENO);
    }

    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    int error = ENOENT;
    bool denied = false;
    for (char* const* file = start.files; *file != nullptr; ++file) {
        execve(*file, start.argv, environ);
        error = errno;
        switch (error) {
        case EACCES: denied = true; break;
        case ENOENT:
        case ENOTDIR:
        case ESTALE:
        case ENODEV:
        case ETIMEDOUT: break;
        default: ReportAndExit(start.errorFd, ChildReport::EXEC, error, 127);
        }
    }
    ReportAndExit(start.errorFd, ChildReport::EXEC, denied ? EACCES : error, 127);
}

void RunChild(ProgramStart& start, char* stackTop) {
    ResetSignals();

    // CLONE_VFORK: the program's exec or end comes before this child ends,
    // so a failed exec is in the pipe before the parent reads it.
    const pid_t program = clone(RunProgramOnItsStack, stackTop, CLONE_VM | CLONE_VFORK | SIGCHLD, &start);
    if (program < 0) ReportAndExit(start.errorFd, ChildReport::CLONE, errno, 1);
    _exit(0);
}

std::optional<std::string> ReadChildFailure(int errorFd, const std::string& program) {
    ChildReport report{};
    ssize_t got;
    do {
        got = read(errorFd, &report, sizeof report);
    } while (got < 0 && errno == EINTR);
    close(errorFd);
    if (got == 0) return std::nullopt;
    if (got != static_cast<ssize_t>(sizeof report)) return PROCESS_NOT_CREATED;
    if (report.step == ChildReport::CLONE) return std::strerror(report.error);
    return ExecFailureText(report.error, program, ProgramFileOf(program));
}

}  // namespace tikr
