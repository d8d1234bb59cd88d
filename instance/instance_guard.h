#pragma once
// One Tikr at a time: the guard a start takes before it opens any window.
//
// Two Tikrs on one profile file would run every task twice and write the one
// file at the same time, so each start first acquires the guard. Its role
// says what the start does next:
//
//  - first: no other Tikr runs; run the scheduler. Once the main window
//    exists, hand the guard the front end's DescriptorWatcher and a
//    function that shows the window and brings it forward
//    (ServeShowRequests); each later start then has that function called
//    from the event loop.
//  - alreadyRunning: another Tikr runs and has been asked to show its
//    window; end now without creating a window. When GetError() is not
//    empty the running one could not be asked, and still the start ends.
//  - unguarded: the guard could not be set up; run the scheduler all the
//    same. GetError() says why.
//
// The guard never prints: GetError() holds one line for the caller to show
// or log as it sees fit (also for a first start that later starts cannot
// reach). The guard is acquired once per process and lives as long as the
// scheduler runs; destroying it lets the next start be first.
//
// The platform's guard comes from AcquireInstanceGuard; the build picks the
// implementation (platform/posix/posix_instance_guard.cpp on POSIX, where a later
// start asks over a local socket and the running one shows its own window;
// platform/win32 on Windows, where the later start finds the running one's
// main window by its class and shows it itself, so ServeShowRequests there
// has nothing to watch).
#include <functional>
#include <memory>
#include <string>

#include "core/descriptor_watcher.h"

namespace tikr {

class InstanceGuard {
public:
    enum class Role { first, alreadyRunning, unguarded };

    virtual ~InstanceGuard() = default;

    virtual Role GetRole() const = 0;

    // Empty when all went well; else one line saying what went wrong.
    virtual const std::string& GetError() const = 0;

    // For a first start: from now on show is called from the event loop
    // (through watch) when later starts ask for the window; several requests
    // arriving together call it once. True when watch was given something to
    // watch; false for other roles, without a channel to later starts, and
    // where later starts show the window themselves. The watch must end
    // before the guard.
    virtual bool ServeShowRequests(DescriptorWatcher& watch, std::function<void()> show) = 0;

    // While show runs: the activation token that the latest later start
    // brought from its launcher (a Wayland activation token or an X11
    // startup id), which the window must present to the window system to
    // be allowed to the front. Empty when none came; each token is handed
    // out once.
    virtual std::string TakeActivationToken() { return {}; }
};

// Acquires this platform's guard for the profile file at profilePath (the
// path the store reads and writes). Never null.
std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const std::string& profilePath);

}  // namespace tikr
