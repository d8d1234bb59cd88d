// tikr.exe: a GUI program without a console; no command-line options.
#include <windows.h>

#include "ui/win32/scheduler_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return tikr::win32::RunSchedulerApplication(instance); }
