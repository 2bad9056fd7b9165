#pragma once

#include <QDBusConnection>
#include <QString>

namespace roruvez {

// Tells the desktop that a job ended, through org.freedesktop.Notifications on the session bus.
// The call is sent without waiting for an answer, so a desktop without a notification server
// costs nothing; without a session bus nothing is sent.
class DesktopNotification {
  public:
    DesktopNotification(QDBusConnection bus, const QString& desktopId);

    void send(const QString& summary, const QString& body);

  private:
    QDBusConnection bus_;
    QString desktopId_;
};

}  // namespace roruvez
