#include "platform/posix/posix_instance_guard.h"

#include <algorithm>
#include <filesystem>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "instance/profile_key.h"
#include "platform/posix/runtime_dir.h"
#include "platform/posix/show_channel.h"

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

// The longest socket path a lock file may name (a Unix socket path is far
// shorter); anything longer is not what a running Tikr wrote.
constexpr std::size_t MAX_RECORDED_PATH = 4096;

// The profile's full path with symbolic links and "." and ".." resolved as
// far as it exists, so that every start on one file names the same lock and
// socket. A link to a profile not made yet is followed as the store follows
// it when it writes the file.
std::string CanonicalPath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path current = fs::absolute(path, ec);
    if (ec) return path;
    for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(current, ec)); ++hop) {
        const fs::path target = fs::read_symlink(current, ec);
        if (ec) break;
        current = target.is_absolute() ? target : current.parent_path() / target;
    }
    const fs::path canonical = fs::weakly_canonical(current, ec);
    return ec ? path : canonical.string();
}

}  // namespace

std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const std::string& profilePath) {
    return PosixInstanceGuard::Acquire(
        profilePath, "", PosixInstanceGuard::DEFAULT_WAIT,
        LauncherActivationToken(std::getenv("XDG_ACTIVATION_TOKEN"), std::getenv("DESKTOP_STARTUP_ID")));
}

std::string LauncherActivationToken(const char* xdgActivationToken, const char* desktopStartupId) {
    if (xdgActivationToken != nullptr && *xdgActivationToken != '\0') return xdgActivationToken;
    if (desktopStartupId != nullptr && *desktopStartupId != '\0') return desktopStartupId;
    return {};
}

PosixInstanceGuard::~PosixInstanceGuard() {
    // Only the lock holder ever binds the socket path, so while the lock is
    // still ours the file there is ours to remove.
    if (listenFd_ >= 0) {
        ::unlink(socketPath_.c_str());
        CloseFd(listenFd_);
    }
    // The lock file then names no socket (cut while still locked). Should
    // that fail, a later start finds nobody at the old path and goes on.
    if (role_ == Role::first) [[maybe_unused]]
        const int cut = ::ftruncate(lockFd_, 0);
    CloseFd(lockFd_);
}

std::unique_ptr<PosixInstanceGuard> PosixInstanceGuard::Acquire(const std::string& profilePath, std::string runtimeDir,
                                                                milliseconds wait, std::string activationToken) {
    std::unique_ptr<PosixInstanceGuard> self(new PosixInstanceGuard());
    self->activationToken_ = std::move(activationToken);
    const std::string fileName = profilePath.substr(profilePath.find_last_of('/') + 1);
    if (fileName.empty() || fileName == "." || fileName == "..") {
        self->error_ = "unusable profile file name \"" + profilePath + "\"";
        return self;
    }
    // The lock and the socket both follow the file itself: a start through
    // a symbolic link to the profile (or to its folder) and one through the
    // target lock the same file and ask the same socket.
    const std::string resolved = CanonicalPath(profilePath);
    const std::string resolvedName = resolved.substr(resolved.find_last_of('/') + 1);
    self->lockPath_ = resolved + ".lock";
    if (runtimeDir.empty()) runtimeDir = DefaultRuntimeDir(std::getenv("XDG_RUNTIME_DIR"), "/tmp", ::geteuid());
    self->socketPath_ = runtimeDir + "/" + resolvedName + "." + ProfileKey(resolved) + ".sock";
    self->runtimeDir_ = runtimeDir;

    bool taken = self->TakeLock();
    if (!taken && !self->lockBusy_) {
        // The profile's folder cannot hold the lock (read-only, say): starts
        // that share a runtime folder still exclude each other through a
        // lock there, so a second start never runs the same tasks again.
        const std::string besideProfile = std::exchange(self->error_, std::string());
        CloseFd(self->lockFd_);
        self->lockPath_ = runtimeDir + "/" + resolvedName + "." + ProfileKey(resolved) + ".lock";
        taken = EnsurePrivateDirectory(runtimeDir, self->error_) && self->TakeLock();
        if (!taken && !self->lockBusy_) {
            self->error_ = besideProfile + "; " + self->error_;
            return self;  // unguarded, error_ says why
        }
    }
    if (taken) {
        self->role_ = Role::first;
        self->activationToken_.clear();  // its own window comes up with it
        self->Listen();
        return self;
    }
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

void PosixInstanceGuard::Listen() {
    if (EnsurePrivateDirectory(runtimeDir_, error_)) listenFd_ = ListenForShowRequests(socketPath_, error_);
    // The lock file tells later starts where to ask, whatever their own
    // runtime folder. Without a socket it names none, so that they do not
    // chase the socket of an earlier run. Written at offset 0 and then cut
    // to length: a reader sees the whole line or something that is not one.
    const std::string record = listenFd_ >= 0 ? socketPath_ + "\n" : std::string();
    const bool written = ::pwrite(lockFd_, record.data(), record.size(), 0) == static_cast<ssize_t>(record.size()) &&
                         ::ftruncate(lockFd_, static_cast<off_t>(record.size())) == 0;
    if (!written && listenFd_ >= 0)
        error_ = ErrnoText("later starts cannot find this one: cannot write " + lockPath_, errno);
}

std::string PosixInstanceGuard::RecordedSocketPath() const {
    char buffer[MAX_RECORDED_PATH + 1];
    ssize_t got;
    do {
        got = ::pread(lockFd_, buffer, sizeof buffer, 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) return std::string();
    const std::string text(buffer, static_cast<std::size_t>(got));
    const std::size_t end = text.find('\n');
    // Only a whole line that is all of the file (the holder may be writing it).
    if (end == std::string::npos || end + 1 != text.size() || text[0] != '/') return std::string();
    return text.substr(0, end);
}

int PosixInstanceGuard::AcceptRequests() { return AcceptShowRequests(listenFd_, &activationToken_); }

std::string PosixInstanceGuard::TakeActivationToken() { return std::exchange(activationToken_, std::string()); }

bool PosixInstanceGuard::ServeShowRequests(DescriptorWatcher& watch, std::function<void()> show) {
    if (role_ != Role::first || listenFd_ < 0 || !show) return false;
    watch.Watch(listenFd_, [this, show = std::move(show)] {
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
        const std::string recorded = RecordedSocketPath();
        switch (recorded.empty() ? ShowAnswer::unreachable : AskToShow(recorded, deadline, activationToken_)) {
        case ShowAnswer::answered:
            role_ = Role::alreadyRunning;
            error_.clear();
            return;
        case ShowAnswer::noAnswer:
            role_ = Role::alreadyRunning;
            error_ = "the running Tikr did not answer";
            return;
        case ShowAnswer::unreachable: break;
        }
        // Nobody to ask. If the holder has ended meanwhile, this start runs
        // the scheduler itself; otherwise the holder is still starting up.
        if (TakeLock()) {
            role_ = Role::first;
            error_.clear();
            activationToken_.clear();
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
