#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "state/status_surface.h"

namespace roruvez::testing {

// One operation on the surface, in the order the logic made it.
struct SurfaceOp {
    enum class Kind { Caption, Back, Log, Text, Enable, MessageBox, Pump };
    Kind kind = Kind::Pump;
    Control control = Control::Form1;
    std::string text;  // caption, log line, box text, or message box prompt
    int colour = 0;
    bool enabled = false;
    Buttons buttons = Buttons::Ok;
    std::string title;  // as shown: the application title when none was given
    Answer answer = Answer::Ok;
};

struct ShownBox {
    std::string prompt;
    std::string title;
    Buttons buttons;
};

// Records every operation and answers message boxes from a script (OK once the script is empty).
class RecordingSurface : public StatusSurface {
  public:
    RecordingSurface();

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
    std::string chooseFolder(const std::string& title) override;
    void pumpEvents() override;
    void progress(const JobProgress& done) override;
    void reached(JobPoint point, const std::string& path) override;

    // Answers for the next message boxes, in order.
    void answer(std::initializer_list<Answer> answers);
    // Called for every message box before the script is consulted; may act (swap a disk) and
    // may return an answer.
    std::function<std::optional<Answer>(const ShownBox&)> onMessageBox;
    std::function<void()> onPump;
    // Called with every line the log is given, after it is recorded.
    std::function<void(const std::string&)> onLog;
    // Called after every block a job copies, and at each named point of a job.
    std::function<void(const JobProgress&)> onProgress;
    std::function<void(JobPoint, const std::string&)> onPoint;

    // Current state of the controls.
    std::string caption(Control label) const;
    int backColour(Control label) const;
    bool enabled(Control control) const;
    const std::string& log() const { return log_; }
    std::vector<std::string> logLines() const;
    int check1 = 0;
    // What the folder chooser gives, and the titles it was shown with.
    std::string folder;
    std::vector<std::string> folderTitles;
    std::string drive = "c: [/]";

    // History.
    const std::vector<SurfaceOp>& ops() const { return ops_; }
    std::vector<std::string> captionsOf(Control label) const;
    std::vector<int> coloursOf(Control label) const;
    std::vector<ShownBox> boxes() const;
    std::vector<std::string> prompts() const;
    int pumps() const;
    void clearHistory() { ops_.clear(); }

  private:
    std::vector<SurfaceOp> ops_;
    std::deque<Answer> script_;
    std::map<Control, std::string> captions_;
    std::map<Control, int> colours_;
    std::map<Control, bool> enabled_;
    std::map<Control, std::string> texts_;
    std::string log_;
};

}  // namespace roruvez::testing
