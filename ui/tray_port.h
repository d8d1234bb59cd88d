#pragma once
// The notification-area icon of the main window, reached through the
// platform. Each call reports whether the platform accepted it.
#include <string>

namespace tikr::ui {

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
