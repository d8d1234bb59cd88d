#pragma once
// Starting a program from a command line, taken from the platform.
#include <string>

namespace tikr {

// What came of one start: whether the program started and, when it did
// not, why, in a few words a user can act on ("no program named backp",
// "not executable", ...).
struct LaunchResult {
    bool started = false;
    std::string reason;  // empty when started

    explicit operator bool() const { return started; }
    static LaunchResult Started() { return LaunchResult{true, {}}; }
    static LaunchResult Failed(std::string why) { return LaunchResult{false, std::move(why)}; }
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts the command line without waiting for it and without a shell.
    // showState is the show-window hint for the program's first window.
    virtual LaunchResult Start(const std::string& commandLine, int showState) = 0;
};

}  // namespace tikr
