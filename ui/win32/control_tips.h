#pragma once
// Tooltips of single controls, as tools of the window's one tooltip
// control (which also serves the list's line tips), one tool per control.
#include <windows.h>

#include <string>

namespace tikr::win32 {

// Gives control the tip text (UTF-8), creating the window's tooltip
// control in tips when it has none yet; a control that has a tip gets the
// new text. False when the tooltip cannot be made.
bool SetControlTip(HWND dialog, HWND control, const std::string& text, HWND& tips);

}  // namespace tikr::win32
