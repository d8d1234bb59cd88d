#include "ui/win32/shell_open.h"

#include <shellapi.h>

#include "platform/win32/wide_text.h"

namespace tikr::win32 {

bool OpenWithAssociatedProgram(HWND owner, const std::string& path) {
    const std::wstring file = Widen(path);
    const auto opened =
        reinterpret_cast<INT_PTR>(ShellExecuteW(owner, L"open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened > 32) return true;
    // A run's output is plain text: without a program for its kind of file,
    // the system's text editor shows it.
    if (opened != SE_ERR_NOASSOC && opened != SE_ERR_ASSOCINCOMPLETE) return false;
    const std::wstring quoted = L"\"" + file + L"\"";
    return reinterpret_cast<INT_PTR>(
               ShellExecuteW(owner, L"open", L"notepad.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL)) > 32;
}

}  // namespace tikr::win32
