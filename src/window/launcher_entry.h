#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

namespace roruvez {

// The job's progress on the desktop's launcher entry (task manager, dock), sent as the
// com.canonical.Unity.LauncherEntry signal for the installed .desktop id (the file's name without
// ".desktop"). Without a session bus nothing is sent.
class LauncherEntry {
  public:
    LauncherEntry(QDBusConnection bus, const QString& desktopId);

    // A job begins: progress shown, at 0.
    void start();
    // fraction of the job's bytes; sent only when the whole percentage changes.
    void update(double fraction);
    // The job is over: progress taken off.
    void finish();

  private:
    void send(const QVariantMap& properties);

    QDBusConnection bus_;
    QString appUri_;
    bool shown_ = false;
    int percentSent_ = -1;
};

}  // namespace roruvez
