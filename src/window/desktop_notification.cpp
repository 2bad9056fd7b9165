#include "window/desktop_notification.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace roruvez {

DesktopNotification::DesktopNotification(QDBusConnection bus, const QString& desktopId)
    : bus_(std::move(bus)), desktopId_(desktopId) {}

void DesktopNotification::send(const QString& summary, const QString& body) {
    if (!bus_.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The desktop entry lets the server show the program's name and icon and raise its window.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), desktopId_}};
    call << QStringLiteral("Roruvez") << 0U << desktopId_ << summary << body << QStringList{}
         << hints << -1;
    call.setAutoStartService(false);
    bus_.send(call);
}

}  // namespace roruvez
