// The notification at the end of a long job that ran unseen, as a notification server on the
// session bus receives it. CTest runs this program on a private bus of its own
// (dbus-run-session); without a bus it has nothing to test.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>
#include <filesystem>
#include <vector>

#include "window/window_surface.h"
#include "window_fixture.h"

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::WindowFixture;
using testing::writeFile;

// Stands for the desktop's notification server: records each call and answers it.
class NotificationServer : public QDBusVirtualObject {
  public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        calls.push_back(message);
        connection.send(message.createReply(QVariant::fromValue(calls.size())));
        return true;
    }
    std::vector<QDBusMessage> calls;
};

class DesktopNotificationTest : public WindowFixture {
  protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) {
            GTEST_SKIP() << "no session bus";
        }
        server_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server")));
        ASSERT_TRUE(server_->registerService(QStringLiteral("org.freedesktop.Notifications")));
        ASSERT_TRUE(server_->registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"),
                                                   &notifications));
    }
    void TearDown() override {
        if (server_) {
            server_->unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
            server_->unregisterService(QStringLiteral("org.freedesktop.Notifications"));
            QDBusConnection::disconnectFromBus(QStringLiteral("server"));
        }
    }

    // Splits a file of its own; the job takes the given time and ends with the window active
    // or not.
    void split(const std::string& name, qint64 milliseconds, bool active) {
        std::filesystem::create_directory(dir.file(name));
        const std::string source = dir.file(name + "/" + name + ".bin");
        writeFile(source, patternBytes(1000));
        browse(QString::fromStdString(source));
        typePieceSize(QStringLiteral("400"));
        bool started = false;
        form->steadyMilliseconds = [&started, milliseconds]() -> qint64 {
            // The first reading is the job's start, the next its end.
            const qint64 now = started ? 50000 + milliseconds : 50000;
            started = true;
            return now;
        };
        form->windowActive = [active] { return active; };
        click("Command1");
        ASSERT_EQ(caption("Label9"), "Done!");
    }

    NotificationServer notifications;

  private:
    std::unique_ptr<QDBusConnection> server_;
};

TEST_F(DesktopNotificationTest, OnlyALongJobEndingUnseenIsToldOfOnce) {
    // Calls from one connection arrive in order: whatever the first three jobs had sent would
    // come before the fourth job's notification.
    split("short", 500, false);
    split("seen", 60000, true);
    split("exactly", Form1::kNotifyAfter, false);
    split("unseen", Form1::kNotifyAfter + 1, false);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !notifications.calls.empty(); }, 20000));
    ASSERT_EQ(notifications.calls.size(), 1U);
    const QDBusMessage& call = notifications.calls.front();
    EXPECT_EQ(call.interface(), QStringLiteral("org.freedesktop.Notifications"));
    EXPECT_EQ(call.member(), QStringLiteral("Notify"));
    const QList<QVariant> arguments = call.arguments();
    ASSERT_EQ(arguments.size(), 8);
    EXPECT_EQ(arguments[0].toString(), QStringLiteral("Roruvez"));
    EXPECT_EQ(arguments[3].toString(), QStringLiteral("Roruvez: unseen.bin done"));
    EXPECT_EQ(arguments[4].toString(), QStringLiteral("Done!"));
    EXPECT_EQ(arguments[2].toString(), QStringLiteral(RORUVEZ_APP_ID));
}

}  // namespace
}  // namespace roruvez
