#include "platform/win32/win32_input_window.h"

namespace tikr {

namespace {

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK MatchOwned(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    if (::GetWindow(window, GW_OWNER) != search->owner || !::IsWindowVisible(window)) return TRUE;
    search->found = window;  // the first found is the one on top
    return FALSE;
}

// The window over window that disables it: the popup of its own that was
// active last, else the visible window it owns on top; null for none.
HWND ModalOver(HWND window) {
    HWND popup = ::GetLastActivePopup(window);
    if (popup != nullptr && popup != window && ::IsWindowVisible(popup)) return popup;
    OwnedSearch search{window, nullptr};
    ::EnumWindows(MatchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

HWND InputWindowOf(HWND window) {
    for (int depth = 0; depth < 8 && !::IsWindowEnabled(window); ++depth) {
        HWND over = ModalOver(window);
        if (over == nullptr) break;
        window = over;
    }
    return window;
}

}  // namespace tikr
