#include "ui/win32/control_tips.h"

#include <commctrl.h>

#include "platform/win32/wide_text.h"

namespace tikr::win32 {

namespace {

// Long tips (a path) break into lines of about this width in pixels.
constexpr int TIP_WIDTH_PX = 400;

}  // namespace

bool SetControlTip(HWND dialog, HWND control, const std::string& text, HWND& tips) {
    if (control == nullptr) return false;
    if (tips == nullptr) {
        // TTS_NOPREFIX: an "&" in the text is shown as it is.
        tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
        if (tips == nullptr) return false;
        SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, TIP_WIDTH_PX);
    }
    std::wstring wide = Widen(text);
    // The record size without the last field, which older controls refuse.
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = wide.data();
    SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    return SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
}

}  // namespace tikr::win32
