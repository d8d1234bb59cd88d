#pragma once
// The notification-area icon through QSystemTrayIcon. A press of the left
// or right button on the icon is reported like the shell reports it.
#include <QIcon>
#include <QSystemTrayIcon>

#include <functional>
#include <string>

#include "ui/tray_port.h"

namespace tikr::qt {

class QtTrayPort : public ui::TrayPort {
public:
    explicit QtTrayPort(const QIcon& icon);

    // Called with WM_LBUTTONDOWN or WM_RBUTTONDOWN for a press on the icon.
    std::function<void(unsigned mouseMessage)> onPress;

    // Fails when the desktop has no notification area.
    bool TrayAdd(const std::string& tip) override;
    bool TrayModify(const std::string& tip) override;
    bool TrayDelete() override;

    bool Shown() const { return icon.isVisible(); }
    QString ToolTip() const { return icon.toolTip(); }

private:
    QSystemTrayIcon icon;
};

}  // namespace tikr::qt
