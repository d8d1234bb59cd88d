#pragma once
// A notice: its text and an OK button, owned by the window it is about and
// not modal. It ends itself; nothing else reacts to it.
#include <windows.h>

#include <string>

namespace tikr::win32 {

// Shows the notice over owner; text and caption are UTF-8 and shown as
// they are. Null when it could not be made.
HWND CreateNotice(HINSTANCE instance, HWND owner, const std::string& text, const std::string& caption);

}  // namespace tikr::win32
