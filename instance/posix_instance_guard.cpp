#include "instance/posix_instance_guard.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "instance/runtime_dir.h"
#include "instance/show_channel.h"

namespace tikr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Pause between a later start's attempts to reach the running one.
constexpr milliseconds RETRY_PAUSE{50};

std::string ErrnoText(const std::string& what, int err) { return what + ": " + std::strerror(err); }

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// The profile file's name without directory and extension.
std::string GuardName(const std::string& profilePath) {
    std::string name = profilePath.substr(profilePath.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

}  // namespace

std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const std::string& profilePath) {
    return PosixInstanceGuard::Acquire(profilePath);
}

PosixInstanceGuard::~PosixInstanceGuard() {
    // Only the lock holder ever binds the socket path, so while the lock is
    // still ours the file there is ours to remove.
    if (listenFd_ >= 0) {
        ::unlink(socketPath_.c_str());
        CloseFd(listenFd_);
    }
    CloseFd(lockFd_);
}

std::unique_ptr<PosixInstanceGuard> PosixInstanceGuard::Acquire(const std::string& profilePath,
                                                                std::string runtimeDir, milliseconds wait) {
    std::unique_ptr<PosixInstanceGuard> self(new PosixInstanceGuard());
    if (runtimeDir.empty()) runtimeDir = DefaultRuntimeDir(std::getenv("XDG_RUNTIME_DIR"), "/tmp", ::geteuid());
    const std::string name = GuardName(profilePath);
    if (name.empty() || name == "." || name == "..") {
        self->error_ = "unusable profile file name \"" + profilePath + "\"";
        return self;
    }
    self->lockPath_ = runtimeDir + "/" + name + ".lock";
    self->socketPath_ = runtimeDir + "/" + name + ".sock";
    if (!EnsurePrivateDirectory(runtimeDir, self->error_)) return self;

    if (self->TakeLock()) {
        self->role_ = Role::first;
        self->Listen();
        return self;
    }
    if (!self->lockBusy_) return self;  // unguarded, error_ says why
    self->RunAsLaterStart(wait);
    return self;
}

bool PosixInstanceGuard::TakeLock() {
    lockBusy_ = false;
    if (lockFd_ < 0) {
        // O_NONBLOCK so that something odd at the path (a FIFO) cannot make
        // the open wait; it must be a regular file.
        lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (lockFd_ < 0) {
            error_ = ErrnoText("cannot open " + lockPath_, errno);
            return false;
        }
        struct stat st {};
        if (::fstat(lockFd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            error_ = lockPath_ + " is not a regular file";
            CloseFd(lockFd_);
            return false;
        }
    }
    for (;;) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) {
            lockBusy_ = true;
        } else {
            error_ = ErrnoText("cannot lock " + lockPath_, errno);
        }
        return false;
    }
}

void PosixInstanceGuard::Listen() { listenFd_ = ListenForShowRequests(socketPath_, error_); }

int PosixInstanceGuard::AcceptRequests() { return AcceptShowRequests(listenFd_); }

bool PosixInstanceGuard::ServeShowRequests(ShowRequestWatch& watch, std::function<void()> show) {
    if (role_ != Role::first || listenFd_ < 0 || !show) return false;
    watch.WatchReadable(listenFd_, [this, show = std::move(show)] {
        // Several starts at once still show the window once; the socket
        // stays readable while more connections wait, so none is lost.
        if (AcceptRequests() > 0) show();
    });
    return true;
}

void PosixInstanceGuard::RunAsLaterStart(milliseconds wait) {
    wait = std::clamp(wait, milliseconds::zero(), milliseconds(std::chrono::hours(1)));
    const auto deadline = Clock::now() + wait;
    for (;;) {
        switch (AskToShow(socketPath_, deadline)) {
        case ShowAnswer::answered:
            role_ = Role::alreadyRunning;
            error_.clear();
            return;
        case ShowAnswer::noAnswer:
            role_ = Role::alreadyRunning;
            error_ = "the running Tikr did not answer";
            return;
        case ShowAnswer::unreachable:
            break;
        }
        // Nobody to ask. If the holder has ended meanwhile, this start runs
        // the scheduler itself; otherwise the holder is still starting up.
        if (TakeLock()) {
            role_ = Role::first;
            error_.clear();
            Listen();
            return;
        }
        if (Clock::now() >= deadline) {
            role_ = Role::alreadyRunning;
            error_ = "the running Tikr could not be reached";
            return;
        }
        std::this_thread::sleep_for(
            std::min<milliseconds>(RETRY_PAUSE, std::chrono::duration_cast<milliseconds>(deadline - Clock::now())));
    }
}

}  // namespace tikr
