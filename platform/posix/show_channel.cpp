#include "platform/posix/show_channel.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tikr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char SHOW_REQUEST[] = "show";
constexpr char SHOW_ANSWER[] = "ok";
// Longest line either side reads ("show", a blank and a token); anything
// longer is not a request.
constexpr std::size_t MAX_LINE = sizeof SHOW_REQUEST + MAX_ACTIVATION_TOKEN;
// How long the running Tikr waits for one connection's request, and for all
// of the connections taken by one AcceptShowRequests call.
constexpr milliseconds REQUEST_WAIT{100};
constexpr milliseconds ACCEPT_BUDGET{250};
constexpr int MAX_CONNECTIONS_PER_CALL = 32;
// The longest a connect may take before the listener counts as unreachable.
constexpr milliseconds CONNECT_WAIT{500};

// Milliseconds left until deadline, for poll(): never negative, and short
// enough to fit an int (callers loop until the deadline).
int Remaining(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
    if (left < milliseconds::zero()) return 0;
    if (left > milliseconds(60000)) return 60000;
    return static_cast<int>(left.count()) + 1;  // round up: poll truncates
}

// Waits up to timeoutMs for events on fd; false on timeout or error.
bool WaitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int r = ::poll(&p, 1, timeoutMs);
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

// Reads one line (without its '\n') from a non-blocking socket until stop.
// False on end of stream, error, timeout or an over-long line.
bool ReadLine(int fd, Clock::time_point stop, std::string& line) {
    line.clear();
    for (;;) {
        char buf[128];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n > 0) {
            line.append(buf, static_cast<std::size_t>(n));
            const auto nl = line.find('\n');
            if (nl != std::string::npos) {
                line.resize(nl);
                return true;
            }
            if (line.size() > MAX_LINE) return false;
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
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
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

// Whether the other end of a connected socket runs as this user.
bool PeerIsSameUser(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::geteuid();
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path || path.find('\0') != std::string::npos) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Whether line is a show request; its token, if any, goes to token.
bool ParseRequest(const std::string& line, std::string& token) {
    const std::string request = SHOW_REQUEST;
    if (line == request) {
        token.clear();
        return true;
    }
    if (line.compare(0, request.size() + 1, request + " ") != 0) return false;
    token = line.substr(request.size() + 1);
    return IsActivationToken(token);
}

}  // namespace

bool IsActivationToken(const std::string& text) {
    if (text.empty() || text.size() > MAX_ACTIVATION_TOKEN) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

int ListenForShowRequests(const std::string& socketPath, std::string& error) {
    sockaddr_un addr{};
    if (!FillAddress(socketPath, addr)) {
        error = "socket path too long: " + socketPath;
        return -1;
    }
    if (::unlink(socketPath.c_str()) != 0 && errno != ENOENT) {
        error = "cannot remove " + socketPath + ": " + std::strerror(errno);
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("cannot create socket: ") + std::strerror(errno);
        return -1;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        error = "cannot bind " + socketPath + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    if (::listen(fd, 16) != 0) {
        error = "cannot listen on " + socketPath + ": " + std::strerror(errno);
        ::close(fd);
        ::unlink(socketPath.c_str());
        return -1;
    }
    return fd;
}

int AcceptShowRequests(int listenFd, std::string* activationToken) {
    if (listenFd < 0) return 0;
    int shows = 0;
    const auto budget = Clock::now() + ACCEPT_BUDGET;
    for (int i = 0; i < MAX_CONNECTIONS_PER_CALL; ++i) {
        const int c = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            break;  // EAGAIN: nothing more waiting
        }
        std::string line;
        std::string token;
        const auto stop = std::min(budget, Clock::now() + REQUEST_WAIT);
        if (PeerIsSameUser(c) && ReadLine(c, stop, line) && ParseRequest(line, token)) {
            SendAll(c, std::string(SHOW_ANSWER) + "\n");
            ++shows;
            if (!token.empty() && activationToken != nullptr) *activationToken = token;
        }
        ::close(c);
    }
    return shows;
}

ShowAnswer AskToShow(const std::string& socketPath, Clock::time_point deadline, const std::string& activationToken) {
    sockaddr_un addr{};
    if (!FillAddress(socketPath, addr)) return ShowAnswer::unreachable;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return ShowAnswer::unreachable;

    int r;
    do {
        r = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (r != 0 && errno == EINTR);
    if (r != 0 && errno == EINPROGRESS) {
        int err = ETIMEDOUT;
        socklen_t len = sizeof err;
        if (WaitFor(fd, POLLOUT, Remaining(std::min(deadline, Clock::now() + CONNECT_WAIT))))
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
        r = err == 0 ? 0 : -1;
    }
    // ENOENT or ECONNREFUSED: nobody listens (yet); EAGAIN: the queue is
    // full. A listener of another user is not asked at all.
    std::string request = SHOW_REQUEST;
    if (IsActivationToken(activationToken)) request += " " + activationToken;
    if (r != 0 || !PeerIsSameUser(fd) || !SendAll(fd, request + "\n")) {
        ::close(fd);
        return ShowAnswer::unreachable;
    }

    // The request is queued; wait for the answer without asking again, so
    // that one start shows the window once. Any other line means something
    // else answers there; asking again would not help. A close without an
    // answer means the listener went away: worth asking again.
    std::string line;
    ShowAnswer result = ShowAnswer::unreachable;
    if (ReadLine(fd, deadline, line)) {
        result = line == SHOW_ANSWER ? ShowAnswer::answered : ShowAnswer::noAnswer;
    } else if (Clock::now() >= deadline) {
        result = ShowAnswer::noAnswer;
    }
    ::close(fd);
    return result;
}

}  // namespace tikr
