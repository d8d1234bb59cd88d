// tikr.exe: a GUI program without a console of its own; its options
// (--list, --help, --version) print where it was started from.
#include <windows.h>

#include "ui/win32/scheduler_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return tikr::win32::RunSchedulerApplication(instance); }
