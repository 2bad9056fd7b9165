#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "state/context.h"
#include "state/job_state.h"
#include "window/desktop_notification.h"
#include "window/drop_targets.h"
#include "window/launcher_entry.h"
#include "window/window_surface.h"

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace roruvez {

class ClientArea;
class FileChooser;
class PathBox;

// The one window. It owns the job state, the surface the jobs report on, and the context every
// job runs in, for the whole run.
class Form1 : public QMainWindow {
  public:
    explicit Form1(Platform platform, QWidget* parent = nullptr);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    Context& context() { return context_; }
    WindowSurface& surface() { return surface_; }

    // Runs the open-file dialog; true when the user chose a file. Tests answer it here.
    std::function<bool(FileChooser&)> runFileDialog;
    // Ends the program once the window has unloaded.
    std::function<void()> endProgram;
    // Milliseconds on a steady clock, and whether the user is looking at the window: together
    // they decide whether a job's end is worth a desktop notification. Tests set both.
    std::function<qint64()> steadyMilliseconds;
    std::function<bool()> windowActive;

    // Selects a file named on the command line, exactly as a drop of it would.
    void openFile(const std::string& path);

    // A job that runs longer than this and ends unseen is told of by a desktop notification.
    static constexpr qint64 kNotifyAfter = 10000;  // milliseconds

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Layout.
    void createControls();
    void placeControls();
    void connectControls();
    void createMenu();
    void createRecoveryMenu();
    void createTimer();
    void createTabOrder();
    void describeControls();
    // The lamp's colour as words, for those who cannot see it, and the outcome announced.
    void describeLamp(bool running);
    void announceOutcome(bool ended);
    void notifyIfUnseen(qint64 startedAt);
    void fillDriveList();
    int pixelsX(int twips) const;
    int pixelsY(int twips) const;

    // File selection.
    void Command5_Click();
    void Form_OLEDragDrop(const DroppedFiles& files);
    void Text1_OLEDragDrop(const DroppedFiles& files);
    void dropFiles(const DroppedFiles& files);
    bool dropAllowedAt(const QPoint& position) const;
    void SelectFile();
    std::string currentDriveRoot();

    // Commands and clock.
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void ClearForm();
    void Check1_Click();
    void About_Click();
    void Exit_Click();
    // Asks whether to stop the job under way and close; true for stop.
    bool stopJobToClose();
    void Form_Unload();
    void Timer1_Timer();
    void runJob(const std::function<void()>& job);

    JobState state_;
    WindowSurface surface_;
    Platform platform_;
    Context context_;
    LauncherEntry launcher_;
    DesktopNotification notification_;
    // Whether a job has ended since start-up or CLEAR, which both leave the lamp at rest.
    bool jobEnded_ = false;
    bool jobRunning_ = false;
    bool unloaded_ = false;
    bool askingToClose_ = false;
    // The dialog's file name survives from one opening to the next, so a cancel selects the
    // last choice again.
    std::string dialogFileName_;

    ClientArea* client_ = nullptr;
    QWidget* shape1_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
    QPushButton* command5_ = nullptr;
    QCheckBox* check1_ = nullptr;
    QComboBox* drive1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label5_ = nullptr;
    QLabel* label7_ = nullptr;
    QLabel* label8_ = nullptr;
    QLabel* label9_ = nullptr;
    QLabel* label10_ = nullptr;
    QWidget* outcomeNotice_ = nullptr;
    PathBox* text1_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QPlainTextEdit* text3_ = nullptr;
    QTimer* timer1_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* checksums_ = nullptr;
    // Pieces the next splits' recovery data rebuilds: each choice holds its number.
    QActionGroup* recovery_ = nullptr;
    QAction* about_ = nullptr;
    QAction* exit_ = nullptr;
};

}  // namespace roruvez
