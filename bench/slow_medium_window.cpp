// Splits FILE into pieces of SIZE through the real window, offscreen, with every output treated
// as on a removable medium, and prints the largest delay of a 10 ms timer meanwhile: how long the
// window went without answering. Run by bench/slow_medium_bench.sh on a slow medium.
//   slow_medium_window FILE SIZE
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "removable_machine.h"
#include "window/form1.h"

namespace {

constexpr int kTick = 10;

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: slow_medium_window FILE SIZE\n");
        return 2;
    }
    roruvez::bench::RemovableMachine machine;
    roruvez::Form1 window(machine.platform());
    window.show();

    // A timer that should fire every kTick ms; how late it comes is how long the window froze.
    QElapsedTimer sinceTick;
    qint64 largestDelay = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(kTick);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        largestDelay = std::max(largestDelay, sinceTick.restart() - kTick);
        // A box at the end (there should be none) is answered as a user would.
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "box: %s\n", qPrintable(box->text()));
            box->accept();
        }
    });

    int status = 0;
    QTimer::singleShot(0, &window, [&] {
        window.openFile(argv[1]);
        window.findChild<QLineEdit*>(QStringLiteral("Text2"))
            ->setText(QString::fromLocal8Bit(argv[2]));
        QElapsedTimer job;
        job.start();
        sinceTick.start();
        ticker.start();
        window.findChild<QAbstractButton*>(QStringLiteral("Command1"))->click();
        ticker.stop();
        const QString caption = window.findChild<QLabel*>(QStringLiteral("Label9"))->text();
        if (caption != QStringLiteral("Done!")) {
            std::fprintf(stderr, "the split ended \"%s\"\n", qPrintable(caption));
            status = 1;
        }
        // seconds, largest delay (ms)
        std::printf("%.3f %lld\n", static_cast<double>(job.nsecsElapsed()) / 1e9,
                    static_cast<long long>(largestDelay));
        QApplication::quit();
    });
    QApplication::exec();
    return status;
}
