#pragma once
// Starts programs on a POSIX system without a shell.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>

#include "core/process_launcher.h"
#include "core/descriptor_watcher.h"
#include "platform/posix/posix_open_file_limit.h"
#include "platform/posix/posix_program_ends.h"

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
// learns from the event loop when it ends (see ProgramEndWatch), reaping
// exactly that child and reporting the end to the end handler. Such a
// launcher raises this process's limit of open files while it lasts (see
// OpenFileLimit). A program running when the launcher goes is left running.
// Its standard output and error go to the request's output file, or to
// /dev/null when that cannot be opened (the result says why).
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
    using EndWatch = ProgramEndWatch::By;

    PosixProcessLauncher() = default;
    // Keeps the programs it starts; childSignal forces the fallback that is
    // otherwise used where process descriptors are missing.
    explicit PosixProcessLauncher(DescriptorWatcher& watcher, EndWatch how = EndWatch::processDescriptor);
    ~PosixProcessLauncher() override = default;
    PosixProcessLauncher(const PosixProcessLauncher&) = delete;
    PosixProcessLauncher& operator=(const PosixProcessLauncher&) = delete;

    // True when the program was started (its exec succeeded); false for an
    // empty command line, a program that cannot be found or run, or when
    // the system could not create the process.
    LaunchResult Start(const std::string& commandLine, int showState) override;
    LaunchResult StartRun(const LaunchRequest& request) override;
    void SetEndHandler(std::function<void(const ProgramEnd&)> handler) override;
    // SIGTERM to the program's process group (its session), SIGKILL to
    // what is left of it after STOP_GRACE_SECONDS or once it ended.
    bool Stop(std::uint64_t run) override { return ends && ends->Stop(run); }

    // Programs started and not yet reaped.
    std::size_t RunningPrograms() const { return ends ? ends->Running() : 0; }

private:
    // Both only in a launcher that keeps its programs; the limit goes back
    // after the watch has let go of every program.
    std::optional<OpenFileLimit> fileLimit;
    std::optional<ProgramEndWatch> ends;

    LaunchResult Keep(pid_t child, int errorFd, const std::string& program, std::string outputProblem);
};

}  // namespace tikr
