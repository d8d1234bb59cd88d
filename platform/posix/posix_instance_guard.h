#pragma once
// The POSIX instance guard.
//
//  - The lock is flock(LOCK_EX) on "<profile file>.lock", beside the profile
//    file, so that any two Tikrs on one profile exclude each other whatever
//    their environment (another or no XDG_RUNTIME_DIR). The profile's path
//    is resolved once (symbolic links, "." and "..") and both the lock and
//    the socket below are named from it, so a start through a link to the
//    profile or its folder meets one through the target. The kernel drops the
//    lock when the holder dies in any way (SIGKILL included), so a file left
//    behind by a crashed run never blocks the next start. The lock file
//    itself is never removed: removing it would let a later start lock a
//    fresh file while an earlier one still holds the old one.
//  - The holder listens on a Unix stream socket (platform/posix/show_channel.h) in
//    its runtime folder ($XDG_RUNTIME_DIR or /tmp/tikr-<uid>, see
//    platform/posix/runtime_dir.h), named "<profile file name>.<hash of the
//    profile's full path>.sock", and writes that socket's path as one line
//    into the lock file. A later start finds the lock taken, reads the path,
//    connects and asks the holder to show its window; the holder's front end
//    shows it, and the later start ends.
//
// A later start keeps trying to reach the holder for a bounded time (the
// holder may still be starting and not listen yet). If the lock becomes
// free meanwhile (the holder ended), the later start takes it and is first.
// If the holder cannot be reached (its runtime folder was unusable, or it
// does not answer), the later start still ends, with GetError() saying so: a
// second scheduler never runs on a profile while its lock is held.
//
// A later start's request carries the activation token its launcher gave
// it (LauncherActivationToken), so that the running Tikr's window may come
// to the front on desktops that give the focus only against such a token.
//
// When the profile's folder cannot hold the lock file (read-only, missing,
// not a folder), the lock is "<profile file name>.<hash>.lock" in the
// runtime folder instead: starts that share that folder still exclude each
// other. The role is unguarded only when neither lock file can be used.
#include <chrono>
#include <memory>
#include <string>

#include "instance/instance_guard.h"

namespace tikr {

// The token the launcher of this process gave it to bring a window
// forward: XDG_ACTIVATION_TOKEN (Wayland) or else DESKTOP_STARTUP_ID
// (X11), as the environment holds them; empty when neither is set.
std::string LauncherActivationToken(const char* xdgActivationToken, const char* desktopStartupId);

class PosixInstanceGuard : public InstanceGuard {
public:
    // The longest a later start waits for the running Tikr to answer.
    static constexpr std::chrono::milliseconds DEFAULT_WAIT{5000};

    // Acquires the guard for the profile at profilePath; a first start puts
    // its socket in runtimeDir (the default runtime folder when empty). A
    // later start passes activationToken on with its request. Never null.
    static std::unique_ptr<PosixInstanceGuard> Acquire(const std::string& profilePath, std::string runtimeDir = "",
                                                       std::chrono::milliseconds wait = DEFAULT_WAIT,
                                                       std::string activationToken = "");

    ~PosixInstanceGuard() override;
    PosixInstanceGuard(const PosixInstanceGuard&) = delete;
    PosixInstanceGuard& operator=(const PosixInstanceGuard&) = delete;

    Role GetRole() const override { return role_; }
    const std::string& GetError() const override { return error_; }
    bool ServeShowRequests(DescriptorWatcher& watch, std::function<void()> show) override;
    std::string TakeActivationToken() override;

    // The listening socket of a first start (non-blocking, close-on-exec);
    // -1 for other roles or when it could not be set up.
    int GetListenFd() const { return listenFd_; }
    // Answers the waiting requests of later starts; returns how many came.
    // The token of the last one that brought one waits for
    // TakeActivationToken.
    int AcceptRequests();

    const std::string& GetLockPath() const { return lockPath_; }
    const std::string& GetSocketPath() const { return socketPath_; }

private:
    PosixInstanceGuard() = default;

    bool TakeLock();                         // true when the lock is ours; sets lockBusy_ otherwise
    void Listen();                           // sets listenFd_ or error_, and records the socket path in the lock file
    std::string RecordedSocketPath() const;  // empty when the lock file names no socket
    void RunAsLaterStart(std::chrono::milliseconds wait);

    std::string lockPath_;
    std::string socketPath_;
    std::string runtimeDir_;
    Role role_ = Role::unguarded;
    std::string error_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    bool lockBusy_ = false;
    std::string activationToken_;  // a later start's to send; a first start's last received
};

}  // namespace tikr
