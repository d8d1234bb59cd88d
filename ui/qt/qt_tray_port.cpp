#include "ui/qt/qt_tray_port.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

#include "ui/tray_port.h"

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

bool QtTrayPort::DesktopNotify(const std::string& title, const std::string& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints,
    // expire_timeout): a new notification with the program's icon, shown
    // as long as the server's default.
    const QString name = QCoreApplication::applicationName();
    call << name << 0u << name << QString::fromStdString(title) << QString::fromStdString(text) << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), name}} << -1;
    // The answer (or the bus's "no such service") is not waited for: the
    // checks go on, and standard error has the failure all the same.
    return bus.send(call);
}

}  // namespace tikr::qt
