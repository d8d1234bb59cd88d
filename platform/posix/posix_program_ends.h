#pragma once
// Learning from the event loop when kept programs end, on a POSIX system.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>

#include "core/process_launcher.h"
#include "core/descriptor_watcher.h"
#include "platform/posix/posix_process_stopper.h"

namespace tikr {

// Watches children of this process until they end: each by a process
// descriptor (pidfd_open) that becomes readable then, or, where the system
// has none or the table of open files is nearly full, by a pipe written from
// a SIGCHLD handler. It reaps exactly those children (never any other of
// this process's children) and reports each end with its status and the
// time taken to the end handler. A child running when the watch goes is left
// running.
class ProgramEndWatch {
public:
    enum class By { processDescriptor, childSignal };

    // fileLimit: this process's limit of open files, whose last places are
    // left to everything else.
    ProgramEndWatch(DescriptorWatcher& watcher, By by, int fileLimit);
    ~ProgramEndWatch();
    ProgramEndWatch(const ProgramEndWatch&) = delete;
    ProgramEndWatch& operator=(const ProgramEndWatch&) = delete;

    // Watches the child, which may have ended already; returns its run.
    std::uint64_t Keep(pid_t child);
    void SetEndHandler(std::function<void(const ProgramEnd&)> handler) { onEnd = std::move(handler); }
    // Children kept and not yet reaped.
    std::size_t Running() const { return children.size(); }
    // Ends a kept child's process group (see PosixProcessStopper); false
    // for a run it does not know.
    bool Stop(std::uint64_t run);

private:
    struct Child {
        pid_t pid = 0;
        int processFd = -1;  // -1 when the end comes by SIGCHLD
        std::chrono::steady_clock::time_point start;
    };

    DescriptorWatcher* watcher;
    By by;
    int fileLimit;
    std::map<std::uint64_t, Child> children;
    std::uint64_t lastRun = 0;
    std::function<void(const ProgramEnd&)> onEnd;
    PosixProcessStopper stopper;
    // The SIGCHLD fallback: the pipe its handler writes to, watched.
    int signalPipe[2] = {-1, -1};

    bool WatchChildSignals();
    void OnChildSignal();
    // Reaps the child when it has ended and reports it; true when it had.
    bool Reap(std::uint64_t run, Child child);
};

}  // namespace tikr
