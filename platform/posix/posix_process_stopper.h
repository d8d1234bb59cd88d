#pragma once
// Ends the process groups of kept programs: asked with SIGTERM, then
// forced with SIGKILL when the group's leader has not ended after the grace
// period, timed by a timer descriptor that the event loop watches.
#include <sys/types.h>

#include <map>

#include "core/descriptor_watcher.h"

namespace tikr {

class PosixProcessStopper {
public:
    PosixProcessStopper(DescriptorWatcher& watcher, int graceSeconds);
    ~PosixProcessStopper();
    PosixProcessStopper(const PosixProcessStopper&) = delete;
    PosixProcessStopper& operator=(const PosixProcessStopper&) = delete;

    // Sends SIGTERM to the group led by leader (a kept child not yet
    // reaped, so the group's number is still its own) and arms the force.
    // False when the signal could not be sent.
    bool Stop(pid_t leader);
    // The leader was reaped just now: what is left of a group being
    // stopped (its children, which may ignore SIGTERM) is killed, and its
    // timer goes. Nothing for a group that is not being stopped.
    void Reaped(pid_t leader);

private:
    DescriptorWatcher& watcher;
    int graceSeconds;
    std::map<pid_t, int> timers;  // leader -> its timer descriptor

    void Forget(pid_t leader);
};

}  // namespace tikr
