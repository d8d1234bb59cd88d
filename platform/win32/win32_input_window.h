#pragma once
// The window that takes the keyboard input meant for a window.
#include <windows.h>

namespace tikr {

// window itself while it is enabled; while a modal window of its own
// disables it (the properties dialog), the window on top of it, and so on
// down the chain (a validation box over the properties dialog). Bringing a
// disabled window forward would leave the user before a window that answers
// no key or click. The window may be another process's.
HWND InputWindowOf(HWND window);

}  // namespace tikr
