#pragma once

#include <QElapsedTimer>
#include <QFileDialog>
#include <QString>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>

#include "state/status_surface.h"
#include "window/name_text.h"

class QMessageBox;
class QWidget;

namespace roruvez {

// The status surface on the real window: every control is found by its object name.
class WindowSurface : public StatusSurface {
  public:
    explicit WindowSurface(QWidget& window);

    void setCaption(Control label, const std::string& text) override;
    void setBackColour(Control label, int paletteIndex) override;
    void appendLog(const std::string& line) override;
    std::string text(Control box) override;
    void setText(Control box, const std::string& text) override;
    int checkValue(Control box) override;
    std::string currentDrive() override;
    void setEnabled(Control control, bool enabled) override;
    Answer messageBox(const std::string& prompt, Buttons buttons,
                      const std::string& title = {}) override;
    // A folder dialog that starts in the user's home.
    std::string chooseFolder(const std::string& title) override;
    void pumpEvents() override;
    void progress(const JobProgress& done) override;

    // Told of every progress report of a job.
    std::function<void(const JobProgress&)> onProgress;

    // Shows a prepared box modally. Tests answer boxes here instead.
    std::function<void(QMessageBox&)> runMessageBox;
    // Shows a prepared folder dialog modally and gives the folder chosen, or nothing. Tests
    // choose here instead.
    std::function<QString(QFileDialog&)> runFolderDialog;

    // While a job runs, the held controls stay disabled; what the job asks of them is kept and
    // applied on release, and the others get back what they showed before.
    void hold(std::initializer_list<Control> controls);
    void release();
    bool holding() const { return holding_; }

    QWidget* widget(Control control) const;

  private:
    static constexpr qint64 kPumpInterval = 20;  // milliseconds
    QElapsedTimer pumped_;
    QWidget& window_;
    bool holding_ = false;
    std::map<Control, bool> enabledAfterJob_;
};

// A message box as every part of the program shows it: no icon, the application title unless
// given one, OK or OK and Cancel with OK the default and Escape answering Cancel.
void prepareMessageBox(QMessageBox& box, const std::string& prompt, Buttons buttons,
                       const std::string& title);

}  // namespace roruvez
