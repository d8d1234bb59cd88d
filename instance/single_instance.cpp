#include "instance/single_instance.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace tikr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char kShowRequest[] = "show";
constexpr char kAnswer[] = "ok";
// Longest line either side reads; anything longer is not a request.
constexpr std::size_t kMaxLine = 16;
// How long the primary waits for one connection's request, and for all of
// the connections taken by one AcceptRequests call.
constexpr milliseconds kRequestWait{100};
constexpr milliseconds kAcceptBudget{250};
constexpr int kMaxConnectionsPerCall = 32;
// Pause between a secondary's attempts to reach the primary.
constexpr milliseconds kRetryPause{50};

std::string ErrnoText(const std::string& what, int err) {
    return what + ": " + std::strerror(err);
}

// Milliseconds left until deadline, for poll(): never negative, and short
// enough to fit an int (callers loop until the deadline).
int Remaining(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
    if (left < milliseconds::zero()) return 0;
    if (left > milliseconds(60000)) return 60000;
    return static_cast<int>(left.count()) + 1;  // round up: poll truncates
}

// Waits up to timeoutMs for events on fd; false on timeout or error.
bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        int r = ::poll(&p, 1, timeoutMs);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

// Reads one line (without its '\n') from a non-blocking socket until
// stop. False on end of stream, error, timeout or an over-long line.
bool ReadLine(int fd, Clock::time_point stop, std::string& line) {
    line.clear();
    for (;;) {
        char buf[kMaxLine];
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n > 0) {
            line.append(buf, static_cast<std::size_t>(n));
            auto nl = line.find('\n');
            if (nl != std::string::npos) {
                line.resize(nl);
                return true;
            }
            if (line.size() > kMaxLine) return false;
            continue;
        }
        if (n == 0) return false;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        if (Clock::now() >= stop) return false;
        WaitFor(fd, POLLIN, Remaining(stop));
    }
}

// Writes all of text; MSG_NOSIGNAL keeps a peer that went away from raising
// SIGPIPE. The texts are a few bytes on a fresh socket, so a full buffer
// means the peer is not reading: give up rather than wait.
bool SendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

bool FromSameUser(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::geteuid();
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

SingleInstance::SingleInstance(std::string appName, std::string dir)
    : appName_(std::move(appName)), dir_(std::move(dir)) {}

SingleInstance::~SingleInstance() {
    // Only the lock holder ever binds the socket path, so while the lock is
    // still ours the file there is ours to remove.
    if (listenFd_ >= 0) {
        ::unlink(SocketPath().c_str());
        CloseFd(listenFd_);
    }
    CloseFd(lockFd_);
}

std::string SingleInstance::LockPath() const { return dir_ + "/" + appName_ + ".lock"; }

std::string SingleInstance::SocketPath() const { return dir_ + "/" + appName_ + ".sock"; }

std::string SingleInstance::DefaultRuntimeDir(const char* xdgRuntimeDir, const std::string& tmpBase,
                                              uid_t uid) {
    if (xdgRuntimeDir != nullptr && xdgRuntimeDir[0] == '/') {
        struct stat st {};
        if (::lstat(xdgRuntimeDir, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == uid)
            return xdgRuntimeDir;
    }
    return tmpBase + "/tikr-" + std::to_string(uid);
}

bool SingleInstance::EnsurePrivateDirectory(const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "no runtime directory";
        return false;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        error = ErrnoText("cannot create " + path, errno);
        return false;
    }
    // Check and fix through a descriptor, so that what is checked is what
    // gets its mode changed. O_NOFOLLOW refuses a symbolic link.
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        error = (err == ELOOP || err == ENOTDIR)
                    ? path + " is not a directory (or is a symbolic link)"
                    : ErrnoText("cannot open " + path, err);
        return false;
    }
    struct stat st {};
    bool ok = false;
    if (::fstat(fd, &st) != 0) {
        error = ErrnoText("cannot examine " + path, errno);
    } else if (!S_ISDIR(st.st_mode)) {
        error = path + " is not a directory";
    } else if (st.st_uid != ::geteuid()) {
        error = path + " belongs to another user";
    } else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) {
        error = ErrnoText("cannot make " + path + " private", errno);
    } else {
        ok = true;
    }
    ::close(fd);
    return ok;
}

std::unique_ptr<SingleInstance> SingleInstance::Acquire(const std::string& appName,
                                                        std::string runtimeDir,
                                                        milliseconds wait) {
    if (runtimeDir.empty())
        runtimeDir = DefaultRuntimeDir(std::getenv("XDG_RUNTIME_DIR"), "/tmp", ::geteuid());
    std::unique_ptr<SingleInstance> self(new SingleInstance(appName, runtimeDir));

    if (appName.empty() || appName == "." || appName == ".." ||
        appName.find('/') != std::string::npos) {
        self->error_ = "unusable application name \"" + appName + "\"";
        return self;
    }
    if (!EnsurePrivateDirectory(self->dir_, self->error_)) return self;

    if (self->TakeLock()) {
        self->role_ = Role::primary;
        self->Listen();
        return self;
    }
    if (!self->lockBusy_) return self;  // failed, error_ says why
    self->RunAsSecondary(wait);
    return self;
}

bool SingleInstance::TakeLock() {
    lockBusy_ = false;
    if (lockFd_ < 0) {
        // O_NONBLOCK so that something odd at the path (a FIFO) cannot make
        // the open wait; it must be a regular file.
        lockFd_ = ::open(LockPath().c_str(),
                         O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (lockFd_ < 0) {
            error_ = ErrnoText("cannot open " + LockPath(), errno);
            return false;
        }
        struct stat st {};
        if (::fstat(lockFd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            error_ = LockPath() + " is not a regular file";
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
            error_ = ErrnoText("cannot lock " + LockPath(), errno);
        }
        return false;
    }
}

void SingleInstance::Listen() {
    const std::string path = SocketPath();
    sockaddr_un addr{};
    if (!FillAddress(path, addr)) {
        error_ = "socket path too long: " + path;
        return;
    }
    // A file left here by an earlier run that died: nobody listens on it,
    // since only the lock holder binds this path.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        error_ = ErrnoText("cannot remove " + path, errno);
        return;
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error_ = ErrnoText("cannot create socket", errno);
        return;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        error_ = ErrnoText("cannot bind " + path, errno);
        ::close(fd);
        return;
    }
    if (::listen(fd, 16) != 0) {
        error_ = ErrnoText("cannot listen on " + path, errno);
        ::close(fd);
        ::unlink(path.c_str());
        return;
    }
    listenFd_ = fd;
}

int SingleInstance::AcceptRequests() {
    if (listenFd_ < 0) return 0;
    int shows = 0;
    const auto budget = Clock::now() + kAcceptBudget;
    for (int i = 0; i < kMaxConnectionsPerCall; ++i) {
        int c = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            break;  // EAGAIN: nothing more waiting
        }
        std::string line;
        const auto stop = std::min(budget, Clock::now() + kRequestWait);
        if (FromSameUser(c) && ReadLine(c, stop, line) && line == kShowRequest) {
            SendAll(c, std::string(kAnswer) + "\n");
            ++shows;
        }
        ::close(c);
    }
    return shows;
}

SingleInstance::Ask SingleInstance::AskPrimaryToShow(Clock::time_point deadline) {
    sockaddr_un addr{};
    if (!FillAddress(SocketPath(), addr)) return Ask::unreachable;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return Ask::unreachable;

    int r;
    do {
        r = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (r != 0 && errno == EINTR);
    if (r != 0 && errno == EINPROGRESS) {
        int err = ETIMEDOUT;
        socklen_t len = sizeof err;
        if (WaitFor(fd, POLLOUT, Remaining(std::min(deadline, Clock::now() + milliseconds(500)))))
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        r = err == 0 ? 0 : -1;
    }
    // ENOENT or ECONNREFUSED: the primary is not listening (yet); EAGAIN: its
    // queue is full.
    if (r != 0 || !SendAll(fd, std::string(kShowRequest) + "\n")) {
        ::close(fd);
        return Ask::unreachable;
    }

    // The request is queued; wait for the answer without asking again, so
    // that one start shows the window once.
    // Any other line means something else answers there; asking again would
    // not help, so that counts as no answer. A close without an answer means
    // the primary went away: ask again, or take its place.
    std::string line;
    Ask result = Ask::unreachable;
    if (ReadLine(fd, deadline, line)) {
        result = line == kAnswer ? Ask::answered : Ask::noAnswer;
    } else if (Clock::now() >= deadline) {
        result = Ask::noAnswer;
    }
    ::close(fd);
    return result;
}

void SingleInstance::RunAsSecondary(milliseconds wait) {
    wait = std::clamp(wait, milliseconds::zero(), milliseconds(std::chrono::hours(1)));
    const auto deadline = Clock::now() + wait;
    for (;;) {
        switch (AskPrimaryToShow(deadline)) {
        case Ask::answered:
            role_ = Role::secondary;
            error_.clear();
            return;
        case Ask::noAnswer:
            role_ = Role::secondary;
            error_ = "the running instance did not answer";
            return;
        case Ask::unreachable:
            break;
        }
        // Nobody to ask. If the holder has ended meanwhile, this start runs
        // the scheduler itself; otherwise the holder is still starting up.
        if (TakeLock()) {
            role_ = Role::primary;
            error_.clear();
            Listen();
            return;
        }
        if (Clock::now() >= deadline) {
            role_ = Role::secondary;
            error_ = "the running instance could not be reached";
            return;
        }
        std::this_thread::sleep_for(std::min<milliseconds>(
            kRetryPause, std::chrono::duration_cast<milliseconds>(deadline - Clock::now())));
    }
}

}  // namespace tikr
