#pragma once
// Opening a file with the program the system has for it.
#include <windows.h>

#include <string>

namespace tikr::win32 {

// The program associated with the file's kind ("open"), or Notepad for a
// kind without one. path: UTF-8. False when no program could be started.
bool OpenWithAssociatedProgram(HWND owner, const std::string& path);

}  // namespace tikr::win32
