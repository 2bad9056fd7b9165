#include "window/launcher_entry.h"

#include <QDBusMessage>
#include <algorithm>
#include <cmath>

namespace roruvez {

namespace {

const char* const kObjectPath = "/com/canonical/unity/launcherentry/roruvez";
const char* const kInterface = "com.canonical.Unity.LauncherEntry";

}  // namespace

LauncherEntry::LauncherEntry(QDBusConnection bus, const QString& desktopId)
    : bus_(std::move(bus)), appUri_(QStringLiteral("application://%1.desktop").arg(desktopId)) {}

void LauncherEntry::start() {
    shown_ = true;
    percentSent_ = 0;
    send({{QStringLiteral("progress"), 0.0}, {QStringLiteral("progress-visible"), true}});
}

void LauncherEntry::update(double fraction) {
    if (!shown_) {
        return;
    }
    const double bounded = std::clamp(fraction, 0.0, 1.0);
    const int percent = static_cast<int>(std::floor(bounded * 100.0));
    if (percent == percentSent_) {
        return;
    }
    percentSent_ = percent;
    send({{QStringLiteral("progress"), bounded}, {QStringLiteral("progress-visible"), true}});
}

void LauncherEntry::finish() {
    if (!shown_) {
        return;
    }
    shown_ = false;
    percentSent_ = -1;
    send({{QStringLiteral("progress-visible"), false}});
}

void LauncherEntry::send(const QVariantMap& properties) {
    if (!bus_.isConnected()) {
        return;
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                   QString::fromLatin1(kInterface), QStringLiteral("Update"));
    signal << appUri_ << properties;
    bus_.send(signal);
}

}  // namespace roruvez
