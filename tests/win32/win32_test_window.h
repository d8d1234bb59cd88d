#pragma once
// Small helpers for the Win32 front end's tests: windows' texts and classes,
// and dialogs made from a definition's template.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/res/dialog_resources.h"
#include "ui/win32/dialog_template.h"

namespace tikr::test {

inline HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

inline std::string WindowText(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

inline std::string ItemText(HWND dialog, int id) {
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

inline std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    return name;
}

inline INT_PTR CALLBACK InertDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A modeless dialog from a definition's template, destroyed with the object.
struct TemplateDialog {
    explicit TemplateDialog(const ui::res::DialogDef& def, const std::string& windowClass = {}) {
        const std::vector<WORD> data = win32::BuildDialogTemplate(def, windowClass);
        hwnd = CreateDialogIndirectParamA(Instance(), win32::AsTemplate(data), nullptr, &InertDialogProc, 0);
    }
    ~TemplateDialog() {
        if (hwnd != nullptr) DestroyWindow(hwnd);
    }
    HWND hwnd = nullptr;
};

inline std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> out;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        out.push_back(child);
    return out;
}

}  // namespace tikr::test
