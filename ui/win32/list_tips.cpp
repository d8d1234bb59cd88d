#include "ui/win32/list_tips.h"

#include <commctrl.h>

namespace tikr::win32 {

namespace {

// The tips' subclass of the list, and the tips' width and stay.
constexpr UINT_PTR TIP_SUBCLASS_ID = 1;
constexpr int TIP_WIDTH_DIALOG_UNITS = 200;
constexpr int TIP_STAY_MS = 20000;

}  // namespace

int ListLineAt(HWND list, POINT client) {
    RECT area{};
    if (list == nullptr || !GetClientRect(list, &area) || !PtInRect(&area, client)) return -1;
    const auto hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    // The high word is set when the point is past the last line.
    if (HIWORD(hit) != 0) return -1;
    const int line = LOWORD(hit);
    return line < SendMessageA(list, LB_GETCOUNT, 0, 0) ? line : -1;
}

ListTips::~ListTips() {
    if (tipList != nullptr) RemoveWindowSubclass(tipList, &ListTips::ListProc, TIP_SUBCLASS_ID);
    if (tips != nullptr && IsWindow(tips)) DestroyWindow(tips);
}

TOOLINFOA ListTips::ListTool() const {
    // The whole list is one tool; its text is asked of the window. The
    // record size without the last field, which older controls refuse.
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(tipList);
    tool.hinst = instance;
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    return tool;
}

bool ListTips::Add(HWND list, std::function<std::string(int line)> describe) {
    if (list == nullptr || tips != nullptr) return false;
    // TTS_NOPREFIX: an "&" in a task's title is shown as it is.
    tips =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance, nullptr);
    if (tips == nullptr) return false;
    tipList = list;
    TOOLINFOA tool = ListTool();
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    if (!SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tips);
        tips = nullptr;
        tipList = nullptr;
        return false;
    }
    // A width limit makes the tip break its lines at "\n".
    RECT width{0, 0, TIP_WIDTH_DIALOG_UNITS, 0};
    MapDialogRect(window, &width);
    SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, width.right);
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, TIP_STAY_MS);
    describeLine = std::move(describe);
    if (!SetWindowSubclass(list, &ListTips::ListProc, TIP_SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this)))
        tipList = nullptr;
    return true;
}

LRESULT CALLBACK ListTips::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*subclassId*/,
                                    DWORD_PTR self) {
    auto* owner = reinterpret_cast<ListTips*>(self);
    if (message == WM_MOUSEMOVE) owner->OnMouseMove(PointOf(lParam));
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, &ListTips::ListProc, TIP_SUBCLASS_ID);
        owner->tipList = nullptr;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

void ListTips::OnMouseMove(POINT client) {
    tipPoint = client;
    const int line = ListLineAt(tipList, client);
    if (line == tipLine) return;
    tipLine = line;
    if (!::IsWindowVisible(tips)) return;  // a tip asks for its text when it shows
    // The whole list is one tool, so the tooltip sees no change of tool: a
    // tip on show is told its text changed, which it then asks for anew,
    // or goes below the last line.
    if (line < 0) {
        SendMessageA(tips, TTM_POP, 0, 0);
        return;
    }
    TOOLINFOA tool = ListTool();
    SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

bool ListTips::OnNotify(NMHDR& header) {
    if (tips == nullptr || header.hwndFrom != tips || header.code != TTN_GETDISPINFOA) return false;
    auto& request = reinterpret_cast<NMTTDISPINFOA&>(header);
    // The line under the pointer now: the list may have scrolled under it.
    tipLine = ListLineAt(tipList, tipPoint);
    tipText = tipLine >= 0 && describeLine ? describeLine(tipLine) : std::string();
    request.lpszText = tipText.data();
    request.szText[0] = '\0';
    request.hinst = nullptr;
    return true;
}

}  // namespace tikr::win32
