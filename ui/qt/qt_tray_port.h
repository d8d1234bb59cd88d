#pragma once
// The notification-area icon through QSystemTrayIcon (an X11 tray, or a
// status-notifier tray over D-Bus): one icon, the 16 x 16 application image
// with the tip, registered, retitled and removed by the three port calls.
// A press of the left or right button on the icon is reported like the
// shell reports it; other clicks are not, and the icon has no context menu.
// Without an icon, notifications go to the desktop's notification service
// over D-Bus.
#include <QIcon>
#include <QSystemTrayIcon>

#include <functional>
#include <string>

#include "ui/tray_port.h"

namespace tikr::qt {

class QtTrayPort : public ui::TrayPort {
public:
    // Keeps the 16 x 16 image of icon.
    explicit QtTrayPort(const QIcon& icon);

    // Called with MOUSE_LEFT_DOWN or MOUSE_RIGHT_DOWN for a press on the icon.
    std::function<void(unsigned mouseMessage)> onPress;

    // Fails when the desktop has no notification area.
    bool TrayAdd(const std::string& tip) override;
    bool TrayModify(const std::string& tip) override;
    bool TrayDelete() override;
    bool TrayNotify(const std::string& title, const std::string& text) override;
    // Through org.freedesktop.Notifications on the session bus, without
    // waiting for the answer; false without a session bus.
    bool DesktopNotify(const std::string& title, const std::string& text) override;

    bool Shown() const { return icon.isVisible(); }
    QString ToolTip() const { return icon.toolTip(); }
    QSystemTrayIcon& Icon() { return icon; }

private:
    QSystemTrayIcon icon;
};

}  // namespace tikr::qt
