#pragma once
// The C++ object behind a dialog window.
#include <windows.h>

namespace tikr::win32 {

// For a dialog procedure: the object the dialog was created for, which
// WM_INITDIALOG carries (the creation parameter) into the dialog's
// DWLP_USER; null for the messages before it.
template <typename Object>
Object* DialogObject(HWND hwnd, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    return reinterpret_cast<Object*>(GetWindowLongPtrA(hwnd, DWLP_USER));
}

}  // namespace tikr::win32
