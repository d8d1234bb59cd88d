#pragma once
// Starts programs on Windows.
#include <string>

#include "core/process_launcher.h"

namespace tikr {

// Starts the command line exactly as stored with CreateProcessA: Windows'
// own rules split it into the program and its arguments (a program path
// with blanks wants quotes), and no command interpreter sees it. The show
// state goes to the program as the show command of its first window
// (STARTF_USESHOWWINDOW), passed on unchanged. Start does not wait for the
// program and keeps no handle of it. A start that fails is reported on the
// debug output and returns false, as does an empty command line.
// A 32-bit program on 64-bit Windows sees the 32-bit system folder
// (SysWOW64) under the name System32; the real one is reached through the
// alias Sysnative, which only such a program has. The command line with a
// program under windowsDirectory\System32 named through that alias
// instead (letter case and either slash as Windows takes them); any other
// command line as it is. The launcher applies it under WOW64 only.
std::string ThroughRealSystemFolder(const std::string& commandLine, const std::string& windowsDirectory);

class Win32ProcessLauncher : public ProcessLauncher {
public:
    LaunchResult Start(const std::string& commandLine, int showState) override;
};

}  // namespace tikr
