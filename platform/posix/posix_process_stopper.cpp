#include "platform/posix/posix_process_stopper.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <csignal>

namespace tikr {

PosixProcessStopper::PosixProcessStopper(DescriptorWatcher& watcher, int graceSeconds)
    : watcher(watcher), graceSeconds(graceSeconds) {}

PosixProcessStopper::~PosixProcessStopper() {
    // Programs still being stopped are left as they are.
    while (!timers.empty()) Forget(timers.begin()->first);
}

bool PosixProcessStopper::Stop(pid_t leader) {
    if (leader <= 0) return false;
    if (timers.count(leader) != 0) return true;  // already asked
    if (kill(-leader, SIGTERM) != 0) return false;
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    itimerspec when{};
    when.it_value.tv_sec = graceSeconds;
    if (timer < 0 || timerfd_settime(timer, 0, &when, nullptr) != 0) {
        // Without a timer the group is not asked twice: it is forced now.
        if (timer >= 0) close(timer);
        kill(-leader, SIGKILL);
        return true;
    }
    timers[leader] = timer;
    // The leader is not reaped before Reaped: the group's number still
    // names this group when the force comes.
    watcher.Watch(timer, [this, leader] {
        kill(-leader, SIGKILL);
        Forget(leader);
    });
    return true;
}

void PosixProcessStopper::Reaped(pid_t leader) {
    if (timers.count(leader) == 0) return;
    // Right after the reap, before this process starts anything, no other
    // group can have taken the number.
    kill(-leader, SIGKILL);
    Forget(leader);
}

void PosixProcessStopper::Forget(pid_t leader) {
    const auto found = timers.find(leader);
    if (found == timers.end()) return;
    watcher.Unwatch(found->second);
    close(found->second);
    timers.erase(found);
}

}  // namespace tikr
