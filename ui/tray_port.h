#pragma once
// The notification-area icon of the main window, reached through the
// platform. Each call reports whether the platform accepted it.
#include <string>

namespace tikr::ui {

// The identifier of the icon, the same number as the window timer's.
constexpr unsigned TRAY_ICON_ID = 4523;
// The icon's callback message and the mouse messages it carries, with the
// window system's values (WM_APP + 100, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
// WM_MOUSEMOVE). Named apart from the platform's macros so that this header
// compiles after <windows.h>.
constexpr unsigned TRAY_NOTIFY_MESSAGE = 0x8000 + 100;
constexpr unsigned MOUSE_LEFT_DOWN = 0x0201;
constexpr unsigned MOUSE_RIGHT_DOWN = 0x0204;
constexpr unsigned MOUSE_MOVE = 0x0200;

class TrayPort {
public:
    virtual ~TrayPort() = default;
    // Registers the icon (application icon, 16 x 16) with the tip.
    virtual bool TrayAdd(const std::string& tip) = 0;
    // Replaces the tip of the registered icon.
    virtual bool TrayModify(const std::string& tip) = 0;
    // Removes the icon.
    virtual bool TrayDelete() = 0;
    // Shows a passing notification from the registered icon (a balloon, a
    // desktop notification); never waits for the user.
    virtual bool TrayNotify(const std::string& title, const std::string& text) = 0;
    // Shows a passing notification through the desktop's notification
    // service, for when no icon is shown; false where there is no such
    // service to ask. Never waits for the user.
    virtual bool DesktopNotify(const std::string& title, const std::string& text) = 0;
};

}  // namespace tikr::ui
