#include "ui/win32/notice_window.h"

#include <vector>

#include "platform/win32/wide_text.h"
#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/win32/dialog_template.h"

namespace tikr::win32 {

namespace {

namespace res = ui::res;

INT_PTR CALLBACK NoticeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        DestroyWindow(hwnd);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

HWND CreateNotice(HINSTANCE instance, HWND owner, const std::string& text, const std::string& caption) {
    const res::ControlDef controls[] = {
        {res::ID_STATIC_ITEM, res::ControlKind::staticText, text.c_str(), 7, 7, 226, 64, true, res::STYLE_NONE},
        {res::ID_OK, res::ControlKind::pushButton, "OK", 95, 78, 50, 14, true,
         res::STYLE_TABSTOP | res::STYLE_DEFAULT_BUTTON},
    };
    const res::DialogDef definition{0, caption.c_str(), "MS Sans Serif", 8, 240, 99, controls};
    const std::vector<WORD> dialogTemplate = BuildDialogTemplate(definition);
    HWND created = CreateDialogIndirectParamA(instance, AsTemplate(dialogTemplate), owner, &NoticeProc, 0);
    if (created == nullptr) return nullptr;
    // The text is shown as it is: an "&" in a path or a reason is no
    // mnemonic marker. Text and caption are UTF-8 (paths outside the ANSI
    // code page among them).
    HWND label = GetDlgItem(created, res::ID_STATIC_ITEM);
    SetWindowLongPtrA(label, GWL_STYLE, GetWindowLongPtrA(label, GWL_STYLE) | SS_NOPREFIX);
    SetWindowTextW(label, Widen(text).c_str());
    SetWindowTextW(created, Widen(caption).c_str());
    ::ShowWindow(created, SW_SHOW);
    return created;
}

}  // namespace tikr::win32
