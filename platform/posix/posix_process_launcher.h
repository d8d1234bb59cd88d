#pragma once
// Starts programs on a POSIX system without a shell.
#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/process_launcher.h"
#include "platform/posix/descriptor_watcher.h"
#include "platform/posix/posix_process_stopper.h"

namespace tikr {

// Splits the command line into the program and its arguments (see
// core/command_line.h) and starts the program directly, looking it up on
// PATH when the name holds no slash. Nothing in the text reaches a shell.
//
// Made without a descriptor watcher, the launcher forgets each program:
// it runs in a session of its own as a grandchild of this process (the
// intermediate child ends at once and is reaped here), so it is adopted by
// the system and never lingers as a zombie of ours, and Start does not wait
// for it. It inherits standard output and error.
//
// Made with a watcher, the launcher keeps each program as its own child and
// learns from the event loop when it ends: by a process descriptor
// (pidfd_open) that becomes readable then, or, where the system has none
// or the table of open files is nearly full, by a pipe written from a
// SIGCHLD handler. Such a launcher raises this process's limit of open
// files to the most the system allows while it lasts (the programs keep
// the limit as it was). Either way it reaps exactly
// that child (never any other of this process's children) and reports the
// end with its status and time taken to the end handler. A program running
// when the launcher goes is left running. Its standard output and error go
// to the request's output file, or to /dev/null when that cannot be opened
// (the result says why).
//
// Either way the program runs in a session of its own with the working
// directory and environment of this process; its standard input is
// /dev/null, every other descriptor is closed, and its signal mask and
// signal dispositions are the defaults.
//
// The show state is a hint for the program's first window. Programs here
// have no common way to be told it, so it is not passed on.
class PosixProcessLauncher : public ProcessLauncher {
public:
    // How a kept program's end is learnt.
    enum class EndWatch { processDescriptor, childSignal };

    PosixProcessLauncher() = default;
    // Keeps the programs it starts; childSignal forces the fallback that is
    // otherwise used where process descriptors are missing.
    explicit PosixProcessLauncher(DescriptorWatcher& watcher, EndWatch how = EndWatch::processDescriptor);
    ~PosixProcessLauncher() override;
    PosixProcessLauncher(const PosixProcessLauncher&) = delete;
    PosixProcessLauncher& operator=(const PosixProcessLauncher&) = delete;

    // True when the program was started (its exec succeeded); false for an
    // empty command line, a program that cannot be found or run, or when
    // the system could not create the process.
    LaunchResult Start(const std::string& commandLine, int showState) override;
    LaunchResult StartRun(const LaunchRequest& request) override;
    void SetEndHandler(std::function<void(const ProgramEnd&)> handler) override { onEnd = std::move(handler); }
    // SIGTERM to the program's process group (its session), SIGKILL to
    // what is left of it after STOP_GRACE_SECONDS or when the program ends.
    bool Stop(std::uint64_t run) override;

    // Programs started and not yet reaped.
    std::size_t RunningPrograms() const { return children.size(); }

private:
    struct Child {
        pid_t pid = 0;
        int processFd = -1;  // -1 when the end comes by SIGCHLD
        std::chrono::steady_clock::time_point start;
    };

    DescriptorWatcher* watcher = nullptr;
    EndWatch how = EndWatch::processDescriptor;
    std::map<std::uint64_t, Child> children;
    std::uint64_t lastRun = 0;
    std::function<void(const ProgramEnd&)> onEnd;
    std::unique_ptr<PosixProcessStopper> stopper;  // with a watcher only
    // The SIGCHLD fallback: the pipe its handler writes to, watched.
    int signalPipe[2] = {-1, -1};
    // The limit of open files this process was given, which the programs
    // get; raised for this process while the launcher lasts.
    struct rlimit childFileLimit {};
    bool raisedFileLimit = false;
    int fileLimit = 1024;  // this process's, as raised

    LaunchResult Keep(pid_t child, int errorFd, const std::string& program, std::string outputProblem);
    bool WatchChildSignals();
    void OnChildSignal();
    // Reaps the child when it has ended and reports it; true when it had.
    bool Reap(std::uint64_t run, Child child);
};

}  // namespace tikr
