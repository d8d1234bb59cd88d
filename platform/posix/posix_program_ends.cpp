#include "platform/posix/posix_program_ends.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace tikr {

namespace {

// Descriptors left free for everything else this process opens while many
// programs run (the profile file, the history, output files, the pipes of
// a start, the display connection): a program started when the table is
// this close to its limit is watched by the child signal instead of by a
// process descriptor of its own.
constexpr int RESERVED_DESCRIPTORS = 64;

// The write end of the SIGCHLD fallback's pipe. A signal handler can reach
// nothing else; one watch at a time installs it.
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

}  // namespace

ProgramEndWatch::ProgramEndWatch(DescriptorWatcher& watcher, By by, int fileLimit)
    : watcher(&watcher), by(by), fileLimit(fileLimit), stopper(watcher, ProcessLauncher::STOP_GRACE_SECONDS) {}

bool ProgramEndWatch::Stop(std::uint64_t run) {
    const auto found = children.find(run);
    return found != children.end() && stopper.Stop(found->second.pid);
}

ProgramEndWatch::~ProgramEndWatch() {
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
}

std::uint64_t ProgramEndWatch::Keep(pid_t child) {
    const std::uint64_t run = ++lastRun;
    Child kept{child, -1, std::chrono::steady_clock::now()};
    if (by == By::processDescriptor) kept.processFd = OpenProcessFd(child);
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
    return run;
}

bool ProgramEndWatch::WatchChildSignals() {
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

void ProgramEndWatch::OnChildSignal() {
    char bytes[256];
    while (read(signalPipe[0], bytes, sizeof bytes) > 0) {}
    // Each kept child by its own pid: a child of another part of this
    // process is never reaped here.
    std::vector<std::pair<std::uint64_t, Child>> kept(children.begin(), children.end());
    for (const auto& [run, child] : kept)
        if (child.processFd < 0) Reap(run, child);
}

bool ProgramEndWatch::Reap(std::uint64_t run, Child child) {
    int status = 0;
    pid_t reaped;
    do {
        reaped = waitpid(child.pid, &status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == 0) return false;  // still running
    stopper.Reaped(child.pid);
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

}  // namespace tikr
