#pragma once
// The Windows program's start and end: one scheduler per user, the services
// of the core, the main window run until the user ends it.
#include <windows.h>

namespace tikr::win32 {

// Returns the process's exit status (it carries no meaning).
int RunSchedulerApplication(HINSTANCE instance);

}  // namespace tikr::win32
