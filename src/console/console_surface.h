#pragma once

#include <chrono>
#include <functional>
#include <istream>
#include <map>
#include <optional>
#include <ostream>
#include <string>

#include "console/trace_log.h"
#include "state/status_surface.h"

namespace roruvez {

// What begins every line the program writes on standard error by itself.
inline constexpr const char* kProgramPrefix = "roruvez-cli: ";

struct ConsoleStreams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // Standard error is a terminal: a progress line is drawn there, redrawn in place.
    bool progressLine = false;
};

// The status surface on the standard streams: log lines on standard output, message boxes and
// the progress line on standard error, answers from standard input.
class ConsoleSurface : public StatusSurface {
  public:
    // yes answers OK to every box without reading; trace may be null.
    ConsoleSurface(ConsoleStreams streams, bool yes, TraceLog* trace);

    // The window's state before the job, set without tracing: what the user chose.
    void presetText(Control box, const std::string& text);
    void presetCheck(Control box, int value);
    void presetDrive(const std::string& driveText);

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
    // Waits for Enter, unless every box is answered OK, so that the disk can be changed.
    void diskPrompt(const std::string& prompt) override;
    // The console has no chooser: a join that needs a folder and was given none is a usage error.
    std::string chooseFolder(const std::string& /*title*/) override {
        folderAsked_ = true;
        return {};
    }
    bool folderAsked() const { return folderAsked_; }
    void pumpEvents() override;
    void stopIfAsked() override;
    // At most ten redraws a second, and only on a terminal.
    void progress(const JobProgress& done) override;

    // Called at the next event pump or message box once the user interrupted the program.
    std::function<void()> onInterrupt;

    std::string caption(Control label) const;
    // Takes the progress line off the terminal; the end of a job calls it.
    void clearProgress();

  private:
    Answer showBox(const std::string& prompt, Buttons buttons, const std::string& title,
                   bool waitForUser);
    Answer decide(const std::string& prompt, Buttons buttons, const std::string& title,
                  bool waitForUser);
    void checkInterrupt();
    // Any change on the surface ends a run of identical boxes.
    void changed() { lastBox_.clear(); }

    ConsoleStreams streams_;
    bool yes_;
    TraceLog* trace_;
    std::map<Control, std::string> captions_;
    std::map<Control, std::string> texts_;
    std::map<Control, int> checks_;
    std::string drive_;
    std::string lastBox_;
    bool progressShown_ = false;
    bool folderAsked_ = false;
    // The first report of the job, which the rate is measured from, and the last line drawn.
    std::optional<std::chrono::steady_clock::time_point> firstReport_;
    std::int64_t firstBytes_ = 0;
    std::optional<std::chrono::steady_clock::time_point> lastDrawn_;
};

}  // namespace roruvez
