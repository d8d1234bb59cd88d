#pragma once
// Starting a program from a command line, taken from the platform.
#include <cstdint>
#include <functional>
#include <string>

namespace tikr {

// What came of one start: whether the program started and, when it did
// not, why, in a few words a user can act on ("no program named backp",
// "not executable", ...).
struct LaunchResult {
    bool started = false;
    std::string reason;  // empty when started
    // Non-zero when the launcher keeps the program as its child and will
    // report its end (ProgramEnd::run) to the end handler.
    std::uint64_t run = 0;
    // Why the output file could not be made: the program runs with its
    // output discarded. Empty when the output goes where it was asked to.
    std::string outputProblem;

    explicit operator bool() const { return started; }
    static LaunchResult Started() { return LaunchResult{true, {}, 0, {}}; }
    static LaunchResult Failed(std::string why) { return LaunchResult{false, std::move(why), 0, {}}; }
};

// One start: the command line, the show-window hint for the program's
// first window, and the file that gets the program's standard output and
// error (empty: where the launcher sends them by default).
struct LaunchRequest {
    std::string commandLine;
    int showState = 5;
    std::string outputPath;
};

// How a kept program ended.
struct ProgramEnd {
    std::uint64_t run = 0;  // as LaunchResult::run
    // exited: a POSIX exit status; exitCode: a Windows exit code (any 32
    // bits, NTSTATUS values included); signalled: the signal's number.
    enum class How { exited, exitCode, signalled, unknown } how = How::unknown;
    long long code = 0;
    long long seconds = 0;  // from the start to the end, whole seconds
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts the command line without waiting for it and without a shell.
    // showState is the show-window hint for the program's first window.
    virtual LaunchResult Start(const std::string& commandLine, int showState) = 0;
    // The same start with the output sent to the request's file. A launcher
    // that keeps no programs and sends output nowhere in particular just
    // starts the command line.
    virtual LaunchResult StartRun(const LaunchRequest& request) {
        return Start(request.commandLine, request.showState);
    }
    // Hears of the end of every program started with a non-zero run,
    // called from the event loop once the program has ended and was reaped.
    virtual void SetEndHandler(std::function<void(const ProgramEnd&)> /*handler*/) {}
    // Ends a kept program that still runs, with what it started: asked
    // first, forced STOP_GRACE_SECONDS later. Its end then comes to the end
    // handler as any end. False when the run is unknown or cannot be
    // stopped.
    virtual bool Stop(std::uint64_t /*run*/) { return false; }
    static constexpr int STOP_GRACE_SECONDS = 10;
};

}  // namespace tikr
