#include "ui/win32/win32_message_display.h"

#include <windows.h>

namespace tikr::win32 {

void Win32MessageDisplay::Show(std::string text, std::string caption) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace tikr::win32
