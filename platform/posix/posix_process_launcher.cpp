#include "platform/posix/posix_process_launcher.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "platform/launch_failure_text.h"

namespace tikr {

namespace {

constexpr std::size_t PROGRAM_STACK_BYTES = 256 * 1024;

// Descriptors left free for everything else this process opens while many
// programs run (the profile file, the history, output files, the pipes of
// a start, the display connection): a program started when the table is
// this close to its limit is watched by the child signal instead of by a
// process descriptor of its own.
constexpr int RESERVED_DESCRIPTORS = 64;

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
// outputFd, when not -1, becomes its standard output and error.
// fileLimit, when not null, is the limit of open files it gets (the one
// this process was given before the launcher raised its own).
[[noreturn]] void RunProgram(char* const* files, char* const* argv, int errorFd, int maxFd, int outputFd,
                             const struct rlimit* fileLimit) {
    setsid();
    if (fileLimit != nullptr) setrlimit(RLIMIT_NOFILE, fileLimit);

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
    // The output file is above standard error and closes on exec; its
    // copies on 1 and 2 stay open.
    if (outputFd >= 0) {
        dup2(outputFd, STDOUT_FILENO);
        dup2(outputFd, STDERR_FILENO);
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
    int outputFd;
    const struct rlimit* fileLimit;
};

int RunProgramOnItsStack(void* start) {
    const auto* program = static_cast<const ProgramStart*>(start);
    RunProgram(program->files, program->argv, program->errorFd, program->maxFd, program->outputFd, program->fileLimit);
}

// Puts signals back to their defaults in a child made by vfork (its own
// table: vfork shares memory, not signal dispositions).
void ResetSignals() {
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigemptyset(&defaults.sa_mask);
    for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &defaults, nullptr);  // some refuse; fine
}

// The intermediate child of a program that is not kept: starts the program
// and ends at once so that the program is adopted by the system.
[[noreturn]] void RunChild(ProgramStart& start, char* stackTop) {
    ResetSignals();

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

// The write end of the SIGCHLD fallback's pipe. A signal handler can reach
// nothing else; one launcher at a time installs it.
volatile sig_atomic_t childSignalPipe = -1;

void OnChildSignalHandler(int /*sig*/) {
    const int saved = errno;
    const int fd = childSignalPipe;
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved;
}

int OpenProcessFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

// Less free space than this on the output file's disk counts as a full disk.
constexpr unsigned long long MIN_FREE_OUTPUT_BYTES = 64 * 1024;

// The file for the program's output, above standard error and closed on
// exec; /dev/null (and why) when it cannot be opened; -1 without a path.
int OpenOutput(const std::string& path, std::string& problem) {
    if (path.empty()) return -1;
    // On a full disk the program could not write a line into the file, and
    // a program that checks its writes would fail: its output is discarded
    // instead, and the outcome says so.
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct statvfs disk {};
    const bool full = statvfs(folder.c_str(), &disk) == 0 &&
                      static_cast<unsigned long long>(disk.f_bavail) * disk.f_frsize < MIN_FREE_OUTPUT_BYTES;
    int fd = full ? -1 : open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        problem = std::strerror(full ? ENOSPC : errno);
        fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (fd < 0) return -1;
    }
    if (fd <= STDERR_FILENO) {
        const int high = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(fd);
        fd = high;
    }
    return fd;
}

// Closes a descriptor when the scope ends.
class FdCloser {
public:
    explicit FdCloser(int fd) : fd(fd) {}
    ~FdCloser() {
        if (fd >= 0) close(fd);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int fd;
};

}  // namespace

PosixProcessLauncher::PosixProcessLauncher(DescriptorWatcher& watcher, EndWatch how)
    : watcher(&watcher), how(how), stopper(std::make_unique<PosixProcessStopper>(watcher, STOP_GRACE_SECONDS)) {
    // A kept program holds a descriptor until it ends, and a desktop
    // session's usual limit of 1,024 open files would be used up by a
    // thousand programs running at once: the limit goes up to what the
    // system allows (this process waits with poll, never select), and each
    // program gets the limit this process was given.
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    childFileLimit = limit;
    if (limit.rlim_cur < limit.rlim_max) {
        struct rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            raisedFileLimit = true;
            limit = raised;
        }
    }
    const rlim_t most = std::numeric_limits<int>::max();
    fileLimit = static_cast<int>(limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > most ? most : limit.rlim_cur);
}

PosixProcessLauncher::~PosixProcessLauncher() {
    // Programs still running are left running.
    for (auto& [run, child] : children) {
        if (child.processFd < 0) continue;
        watcher->Unwatch(child.processFd);
        close(child.processFd);
    }
    if (signalPipe[0] >= 0) {
        watcher->Unwatch(signalPipe[0]);
        signal(SIGCHLD, SIG_DFL);
        childSignalPipe = -1;
        close(signalPipe[0]);
        close(signalPipe[1]);
    }
    if (raisedFileLimit) setrlimit(RLIMIT_NOFILE, &childFileLimit);
}

bool PosixProcessLauncher::WatchChildSignals() {
    if (signalPipe[0] >= 0) return true;
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    childSignalPipe = signalPipe[1];
    struct sigaction action {};
    action.sa_handler = OnChildSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    sigaction(SIGCHLD, &action, nullptr);
    watcher->Watch(signalPipe[0], [this] { OnChildSignal(); });
    return true;
}

void PosixProcessLauncher::OnChildSignal() {
    char bytes[256];
    while (read(signalPipe[0], bytes, sizeof bytes) > 0) {}
    // Each kept child by its own pid: a child of another part of this
    // process is never reaped here.
    std::vector<std::pair<std::uint64_t, Child>> kept(children.begin(), children.end());
    for (const auto& [run, child] : kept)
        if (child.processFd < 0) Reap(run, child);
}

bool PosixProcessLauncher::Reap(std::uint64_t run, Child child) {
    int status = 0;
    pid_t reaped;
    do {
        reaped = waitpid(child.pid, &status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == 0) return false;  // still running
    if (stopper) stopper->Reaped(child.pid);
    ProgramEnd end;
    end.run = run;
    // With SIGCHLD ignored the system reaped it (ECHILD): how is unknown.
    if (reaped == child.pid && WIFEXITED(status)) {
        end.how = ProgramEnd::How::exited;
        end.code = WEXITSTATUS(status);
    } else if (reaped == child.pid && WIFSIGNALED(status)) {
        end.how = ProgramEnd::How::signalled;
        end.code = WTERMSIG(status);
    }
    end.seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - child.start).count();
    if (child.processFd >= 0) {
        watcher->Unwatch(child.processFd);
        close(child.processFd);
    }
    children.erase(run);
    if (onEnd) onEnd(end);
    return true;
}

bool PosixProcessLauncher::Stop(std::uint64_t run) {
    const auto found = children.find(run);
    if (found == children.end() || !stopper) return false;
    return stopper->Stop(found->second.pid);
}

LaunchResult PosixProcessLauncher::Start(const std::string& commandLine, int showState) {
    return StartRun(LaunchRequest{commandLine, showState, {}});
}

LaunchResult PosixProcessLauncher::StartRun(const LaunchRequest& request) {
    const std::string& commandLine = request.commandLine;
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

    std::string outputProblem;
    const int outputFd = OpenOutput(request.outputPath, outputProblem);
    const FdCloser outputCloser(outputFd);

    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) return LaunchResult::Failed(std::strerror(errno));
    ProgramStart start{
        filePointers.data(), argv.data(), errorPipe[1], maxFd, outputFd, raisedFileLimit ? &childFileLimit : nullptr};
    const bool keep = watcher != nullptr;
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
        if (!keep) RunChild(start, stackTop);
        ResetSignals();
        RunProgram(start.files, start.argv, start.errorFd, start.maxFd, start.outputFd, start.fileLimit);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(errorPipe[1]);
    if (child < 0) {
        const int error = errno;
        close(errorPipe[0]);
        return LaunchResult::Failed(std::strerror(error));
    }

    if (keep) return Keep(child, errorPipe[0], program, std::move(outputProblem));

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
    if (childOk && got == 0) {
        LaunchResult started = LaunchResult::Started();
        started.outputProblem = std::move(outputProblem);
        return started;
    }
    if (got != static_cast<ssize_t>(sizeof report)) return LaunchResult::Failed("the process could not be created");
    if (report.step == ChildReport::CLONE) return LaunchResult::Failed(std::strerror(report.error));
    return LaunchResult::Failed(ExecFailureText(report.error, program, ProgramFileOf(program)));
}

LaunchResult PosixProcessLauncher::Keep(pid_t child, int errorFd, const std::string& program,
                                        std::string outputProblem) {
    // vfork let this process go on only after the program's exec or end, so
    // the pipe already holds its report or its end of file.
    ChildReport report{};
    ssize_t got;
    do {
        got = read(errorFd, &report, sizeof report);
    } while (got < 0 && errno == EINTR);
    close(errorFd);
    if (got != 0) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
        if (got != static_cast<ssize_t>(sizeof report)) return LaunchResult::Failed("the process could not be created");
        return LaunchResult::Failed(ExecFailureText(report.error, program, ProgramFileOf(program)));
    }

    const std::uint64_t run = ++lastRun;
    Child kept{child, -1, std::chrono::steady_clock::now()};
    if (how == EndWatch::processDescriptor) kept.processFd = OpenProcessFd(child);
    // The lowest free number is given: one this high means a table nearly
    // full, whose last places are kept for everything else.
    if (kept.processFd >= 0 && kept.processFd >= fileLimit - RESERVED_DESCRIPTORS) {
        close(kept.processFd);
        kept.processFd = -1;
    }
    if (kept.processFd >= 0) {
        watcher->Watch(kept.processFd, [this, run] {
            const auto found = children.find(run);
            if (found != children.end()) Reap(run, found->second);
        });
    } else if (WatchChildSignals()) {
        // The first kept program may have ended before the signal handler
        // was in place, its signal lost: one byte in the pipe makes the
        // event loop look at every kept child once more.
        const char nudge = 'c';
        [[maybe_unused]] const ssize_t written = write(signalPipe[1], &nudge, 1);
    }
    children[run] = kept;
    // A program that ended before the watch began: its readable descriptor,
    // or the byte above, still comes from the event loop.
    LaunchResult started = LaunchResult::Started();
    started.run = run;
    started.outputProblem = std::move(outputProblem);
    return started;
}

}  // namespace tikr
