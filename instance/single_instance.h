#pragma once
// One scheduler per user.
//
// Two schedulers running at once would run every task twice and write the
// one profile file at the same time, so a start first takes a per-user lock:
//
//  - The lock is flock(LOCK_EX) on "<appName>.lock" in the runtime directory.
//    The kernel drops it when the holder dies in any way (SIGKILL included),
//    so a file left behind by a crashed run never blocks the next start. The
//    lock file itself is never removed: removing it would let a later start
//    lock a fresh file while an earlier one still holds the old one.
//  - The holder (the primary) listens on the Unix stream socket
//    "<appName>.sock" in the same directory. A later start (a secondary)
//    finds the lock taken, connects, writes "show\n" and waits for "ok\n";
//    the primary then shows its main window and brings it forward, and the
//    secondary ends without creating a window.
//
// The runtime directory is $XDG_RUNTIME_DIR when that is an absolute path to
// a directory of ours, else /tmp/tikr-<uid>, created with mode 0700 and
// refused when it is a symbolic link or belongs to someone else.
//
// A secondary keeps trying to reach the primary for a bounded time (the
// primary may still be starting and not listen yet). If the lock becomes
// free meanwhile (the primary ended), the secondary takes it and becomes the
// primary. If the primary never answers, the secondary still ends: a second
// scheduler never runs while the lock is held.
#include <chrono>
#include <memory>
#include <string>
#include <sys/types.h>

namespace tikr {

class SingleInstance {
public:
    enum class Role {
        primary,    // holds the lock: run the scheduler
        secondary,  // another run holds the lock and was asked to show itself: end now
        failed      // no lock could be set up at all: run unguarded (see Error())
    };

    // The longest a secondary waits for the primary to answer.
    static constexpr std::chrono::milliseconds kDefaultWait{5000};

    // Takes the lock for appName (a plain file name: no '/', not empty) in
    // runtimeDir, or in the default runtime directory when runtimeDir is
    // empty. Never returns null.
    static std::unique_ptr<SingleInstance> Acquire(const std::string& appName,
                                                   std::string runtimeDir = "",
                                                   std::chrono::milliseconds wait = kDefaultWait);

    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role GetRole() const { return role_; }

    // What went wrong, for a report on stderr: why the role is `failed`, why a
    // primary has no channel (ListenFd() < 0), or why a secondary got no
    // answer. Empty when all went well.
    const std::string& Error() const { return error_; }

    // The primary's listening socket (non-blocking, close-on-exec), to be
    // watched for readability; -1 for other roles or when the channel could
    // not be set up.
    int ListenFd() const { return listenFd_; }

    // Takes the pending connections on the listening socket, answers each
    // well-formed "show" request with "ok", and returns how many arrived.
    // Never blocks for long: each connection gets a short time to send its
    // request, and one call takes a bounded number of connections (the
    // socket stays readable when more are waiting).
    int AcceptRequests();

    const std::string& Directory() const { return dir_; }
    std::string LockPath() const;
    std::string SocketPath() const;

    // The runtime directory to use when none is given: xdgRuntimeDir when it
    // is an absolute path to a directory owned by uid, else
    // "<tmpBase>/tikr-<uid>".
    static std::string DefaultRuntimeDir(const char* xdgRuntimeDir, const std::string& tmpBase,
                                         uid_t uid);

    // Makes sure path is a private directory of the effective user: creates
    // it with mode 0700 when missing (the parent must exist), refuses a
    // symbolic link, a non-directory or a directory owned by another user,
    // and takes group and other access away from one of ours. On refusal
    // returns false and says why in error.
    static bool EnsurePrivateDirectory(const std::string& path, std::string& error);

private:
    SingleInstance(std::string appName, std::string dir);

    bool TakeLock();            // true when the lock is ours; sets lockBusy_ otherwise
    void Listen();              // sets listenFd_ or error_
    enum class Ask { answered, unreachable, noAnswer };
    Ask AskPrimaryToShow(std::chrono::steady_clock::time_point deadline);
    void RunAsSecondary(std::chrono::milliseconds wait);

    std::string appName_;
    std::string dir_;
    Role role_ = Role::failed;
    std::string error_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    bool lockBusy_ = false;
};

}  // namespace tikr
