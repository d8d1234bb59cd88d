#pragma once
// Starts programs on a POSIX system without a shell.
#include "core/process_launcher.h"

namespace tikr {

// Splits the command line into the program and its arguments (see
// core/command_line.h) and starts the program directly, looking it up on
// PATH when the name holds no slash. Nothing in the text reaches a shell.
//
// The program runs in a session of its own as a grandchild of this process:
// the intermediate child ends at once and is reaped here, so the program is
// adopted by the system and never lingers as a zombie of ours, and Start
// does not wait for it. The program inherits the working directory, the
// environment and standard output and error; its standard input is
// /dev/null, every other descriptor is closed, and its signal mask and
// signal dispositions are the defaults.
//
// The show state is a hint for the program's first window. Programs here
// have no common way to be told it, so it is not passed on.
class PosixProcessLauncher : public ProcessLauncher {
public:
    // True when the program was started (its exec succeeded); false for an
    // empty command line, a program that cannot be found or run, or when
    // the system could not create the process.
    LaunchResult Start(const std::string& commandLine, int showState) override;
};

}  // namespace tikr
