#pragma once
// How a chosen program file is written into a task's command line so that
// the platform's launcher (core/process_launcher.h) starts exactly that
// file: the inverse of how it splits a command line. The build takes the
// implementation from the operating system's folder under platform/.
#include <string>

namespace tikr {

// The path as one word of a command line: as it stands when the launcher
// reads it so, else quoted.
std::string QuoteProgramPath(const std::string& path);

}  // namespace tikr
