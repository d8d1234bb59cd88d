#pragma once
// Starts programs on Windows.
#include "core/process_launcher.h"

namespace tikr {

// Starts the command line exactly as stored with CreateProcessA: Windows'
// own rules split it into the program and its arguments (a program path
// with blanks wants quotes), and no command interpreter sees it. The show
// state goes to the program as the show command of its first window
// (STARTF_USESHOWWINDOW), passed on unchanged. Start does not wait for the
// program and keeps no handle of it. A start that fails is reported on the
// debug output and returns false, as does an empty command line.
class Win32ProcessLauncher : public ProcessLauncher {
public:
    LaunchResult Start(const std::string& commandLine, int showState) override;
};

}  // namespace tikr
