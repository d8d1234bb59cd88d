#pragma once
// The system's open-file dialog.
#include <windows.h>

#include <optional>
#include <string>

namespace tikr::win32 {

// "description|pattern|...||" as the open-file dialog takes it: each part
// ended by a zero character and the list by one more.
std::string FileDialogFilter(const std::string& filter);

// The file chosen in the open-file dialog over owner, or none when it was
// cancelled. The process's current folder stays as it was.
std::optional<std::string> ChooseFileOver(HWND owner, const std::string& filter);

}  // namespace tikr::win32
