#include "platform/posix/posix_process_launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "platform/launch_failure_text.h"
#include "platform/posix/posix_program_child.h"
#include "platform/posix/posix_program_search.h"

namespace tikr {

namespace {

constexpr std::size_t PROGRAM_STACK_BYTES = 256 * 1024;

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

LaunchResult StartedWith(std::uint64_t run, std::string outputProblem) {
    LaunchResult started = LaunchResult::Started();
    started.run = run;
    started.outputProblem = std::move(outputProblem);
    return started;
}

}  // namespace

PosixProcessLauncher::PosixProcessLauncher(DescriptorWatcher& watcher, EndWatch how) {
    fileLimit.emplace();
    ends.emplace(watcher, how, fileLimit->Current());
}

void PosixProcessLauncher::SetEndHandler(std::function<void(const ProgramEnd&)> handler) {
    if (ends) ends->SetEndHandler(std::move(handler));
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
    const bool keep = ends.has_value();
    ProgramStart start{
        filePointers.data(), argv.data(), errorPipe[1], maxFd, outputFd, keep ? fileLimit->ForPrograms() : nullptr};
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
        RunProgram(start);
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
    const std::optional<std::string> failure = ReadChildFailure(errorPipe[0], program);
    if (failure) return LaunchResult::Failed(*failure);
    if (!childOk) return LaunchResult::Failed(PROCESS_NOT_CREATED);
    return StartedWith(0, std::move(outputProblem));
}

LaunchResult PosixProcessLauncher::Keep(pid_t child, int errorFd, const std::string& program,
                                        std::string outputProblem) {
    // vfork let this process go on only after the program's exec or end, so
    // the pipe already holds its report or its end of file.
    const std::optional<std::string> failure = ReadChildFailure(errorFd, program);
    if (failure) {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
        return LaunchResult::Failed(*failure);
    }
    return StartedWith(ends->Keep(child), std::move(outputProblem));
}

}  // namespace tikr
