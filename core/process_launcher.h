#pragma once
// Starting a program from a command line, taken from the platform.
#include <string>

namespace tikr {

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts the command line without waiting for it and without a shell.
    // showState is the show-window hint for the program's first window.
    // True when the program was started.
    virtual bool Start(const std::string& commandLine, int showState) = 0;
};

}  // namespace tikr
