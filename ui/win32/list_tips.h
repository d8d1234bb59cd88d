#pragma once
// Tips on the lines of a list box.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

namespace tikr::win32 {

// The window's one tooltip control, whose tool over a whole list shows the
// text for the line under the pointer (and whose other tools are single
// controls' tips, see control_tips.h).
class ListTips {
public:
    ListTips(HINSTANCE instance, HWND window) : instance(instance), window(window) {}
    // The list may outlive the tips: it no longer calls into them.
    ~ListTips();
    ListTips(const ListTips&) = delete;
    ListTips& operator=(const ListTips&) = delete;

    // Gives the lines of list a tip whose text is describe(line), asked each
    // time the tip shows so it is always current, and asked again when the
    // pointer moves to another line while it shows; "\n" breaks the tip's
    // lines. The window routes its WM_NOTIFY to OnNotify. False when the
    // list is missing, the tooltip cannot be made, or the tips exist.
    bool Add(HWND list, std::function<std::string(int line)> describe);
    // A notification to the window: true when it was the tips' request for
    // text, which is then answered.
    bool OnNotify(NMHDR& header);
    // The tooltip control, null until made.
    HWND& Control() { return tips; }

private:
    // Watches the pointer over the list.
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                     DWORD_PTR self);
    void OnMouseMove(POINT client);
    TOOLINFOA ListTool() const;

    HINSTANCE instance;
    HWND window;
    HWND tips = nullptr;     // the tooltip control
    HWND tipList = nullptr;  // the list it serves, while it exists
    std::function<std::string(int line)> describeLine;
    POINT tipPoint{-1, -1};  // the pointer over the list, in its client coordinates
    int tipLine = -1;        // the line under it, -1 for none
    std::string tipText;     // the text the tooltip shows, kept while it shows it
};

// The point a mouse message or WM_CONTEXTMENU carries in lParam.
inline POINT PointOf(LPARAM lParam) { return {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))}; }

// The line of the list under a point in its client coordinates; -1 when the
// point is below the last line or outside the list's client area.
int ListLineAt(HWND list, POINT client);

}  // namespace tikr::win32
