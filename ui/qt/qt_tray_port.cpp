#include "ui/qt/qt_tray_port.h"

#include "ui/scheduler_dialog.h"

namespace tikr::qt {

QtTrayPort::QtTrayPort(const QIcon& image) : icon(QIcon(image.pixmap(QSize(16, 16), 1.0))) {
    QObject::connect(&icon, &QSystemTrayIcon::activated, &icon, [this](QSystemTrayIcon::ActivationReason reason) {
        if (!onPress) return;
        if (reason == QSystemTrayIcon::Trigger) {
            onPress(ui::MOUSE_LEFT_DOWN);
        } else if (reason == QSystemTrayIcon::Context) {
            onPress(ui::MOUSE_RIGHT_DOWN);
        }
    });
}

bool QtTrayPort::TrayAdd(const std::string& tip) {
    // Without a notification area there is nothing to register with; the
    // window works on without an icon, and the next add tries again.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    icon.setToolTip(QString::fromStdString(tip));
    icon.show();
    return icon.isVisible();
}

bool QtTrayPort::TrayModify(const std::string& tip) {
    if (!icon.isVisible()) return false;
    icon.setToolTip(QString::fromStdString(tip));
    return true;
}

bool QtTrayPort::TrayDelete() {
    const bool wasShown = icon.isVisible();
    icon.hide();
    return wasShown;
}

bool QtTrayPort::TrayNotify(const std::string& title, const std::string& text) {
    if (!icon.isVisible()) return false;
    icon.showMessage(QString::fromStdString(title), QString::fromStdString(text), QSystemTrayIcon::Warning);
    return true;
}

}  // namespace tikr::qt
