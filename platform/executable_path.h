#pragma once
// The file name of the running program, for naming its profile file.
#include <string>

namespace tikr {

// The absolute path of the running executable as the kernel reports it;
// argv0 as given when that is unavailable (an empty text for a null argv0).
std::string ExecutablePath(const char* argv0);

}  // namespace tikr
