// The launcher entry's signals as another program on the session bus sees them. CTest runs this
// program once on a private bus of its own (dbus-run-session) and once with no bus at all.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <regex>
#include <string>
#include <vector>

#include "window_fixture.h"

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::readFile;
using testing::WindowFixture;
using testing::writeFile;

// One Update signal as dbus-monitor printed it.
struct Update {
    std::string app;
    std::optional<double> progress;
    std::optional<bool> visible;
};

std::vector<Update> updatesIn(const std::string& monitorOutput) {
    static const std::regex kApp("string \"(application://[^\"]*)\"");
    static const std::regex kProgress("string \"progress\"\\s*variant\\s*double ([0-9.e+-]+)");
    static const std::regex kVisible("string \"progress-visible\"\\s*variant\\s*boolean (\\w+)");
    std::vector<Update> updates;
    std::size_t at = monitorOutput.find("member=Update");
    while (at != std::string::npos) {
        const std::size_t next = monitorOutput.find("member=Update", at + 1);
        const std::string signal = monitorOutput.substr(at, next - at);
        Update update;
        std::smatch match;
        if (std::regex_search(signal, match, kApp)) {
            update.app = match[1];
        }
        if (std::regex_search(signal, match, kProgress)) {
            update.progress = std::stod(match[1]);
        }
        if (std::regex_search(signal, match, kVisible)) {
            update.visible = match[1] == "true";
        }
        updates.push_back(update);
        at = next;
    }
    return updates;
}

void sendProbe(const QString& name) {
    QDBusMessage probe = QDBusMessage::createSignal(
        QStringLiteral("/probe"), QStringLiteral("com.canonical.Unity.LauncherEntry"),
        QStringLiteral("Update"));
    probe << QStringLiteral("application://%1.desktop").arg(name) << QVariantMap{};
    QDBusConnection::sessionBus().send(probe);
}

class LauncherEntryTest : public WindowFixture {
  protected:
    // Starts dbus-monitor and waits until it shows a signal sent after it started.
    bool startMonitor() {
        monitor_.start(
            QStringLiteral("dbus-monitor"),
            {QStringLiteral("--session"),
             QStringLiteral("type='signal',interface='com.canonical.Unity.LauncherEntry'")});
        return monitor_.waitForStarted(10000) && waitForProbe(QStringLiteral("probe.start"));
    }

    // Sends a last signal and reads until it arrives: everything sent before it is in.
    std::string stopMonitor() {
        waitForProbe(QStringLiteral("probe.end"));
        monitor_.kill();
        monitor_.waitForFinished(10000);
        return output_;
    }

  private:
    bool waitForProbe(const QString& name) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 20000) {
            sendProbe(name);
            monitor_.waitForReadyRead(200);
            output_ += monitor_.readAllStandardOutput().toStdString();
            if (output_.find(name.toStdString()) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    QProcess monitor_;
    std::string output_;
};

TEST_F(LauncherEntryTest, ASplitStartsRisesAndEndsWithProgressOff) {
    const std::string source = patternBytes(6000000, 3);
    writeFile(dir.file("BIG.BIN"), source);
    browse(QString::fromStdString(dir.file("BIG.BIN")));
    typePieceSize(QStringLiteral("1000000"));

    if (!QDBusConnection::sessionBus().isConnected()) {
        // Without a session bus the window works as ever and sends nothing.
        click("Command1");
        EXPECT_EQ(caption("Label9"), "Done!");
        EXPECT_EQ(readFile(dir.file("breldo.7")).size(), 160U);
        GTEST_SKIP() << "no session bus: the signals are checked under dbus-run-session";
    }
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("dbus-monitor")).isEmpty());
    ASSERT_TRUE(startMonitor());
    click("Command1");
    EXPECT_EQ(caption("Label9"), "Done!");
    const std::string output = stopMonitor();

    std::vector<Update> ours;
    for (const Update& update : updatesIn(output)) {
        if (update.app == "application://" RORUVEZ_APP_ID ".desktop") {
            ours.push_back(update);
        }
    }
    ASSERT_GE(ours.size(), 3U) << output;
    EXPECT_EQ(ours.front().visible, true);
    EXPECT_EQ(ours.front().progress, 0.0);
    EXPECT_EQ(ours.back().visible, false);
    double last = 0.0;
    for (std::size_t i = 1; i + 1 < ours.size(); ++i) {
        EXPECT_EQ(ours[i].visible, true);
        ASSERT_TRUE(ours[i].progress.has_value());
        EXPECT_GT(*ours[i].progress, last);
        EXPECT_LE(*ours[i].progress, 1.0);
        last = *ours[i].progress;
    }
    // Rising block by block to the end, at most once for each whole percent.
    EXPECT_GE(last, 0.99);
    EXPECT_GE(ours.size(), 10U);
    EXPECT_LE(ours.size(), 102U);
}

}  // namespace
}  // namespace roruvez
