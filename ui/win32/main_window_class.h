#pragma once
// The window class of Tikr's main window. The main window is a dialog of
// this class (registered with the dialog manager's extra bytes and named in
// the dialog template), so that a later start of the program can find the
// running one by class without depending on its caption alone.

namespace tikr::win32 {

inline constexpr const char* MAIN_WINDOW_CLASS = "TikrSchedulerWindow";

}  // namespace tikr::win32
