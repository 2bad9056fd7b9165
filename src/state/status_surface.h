#pragma once

#include <cstdint>
#include <string>

namespace roruvez {

// The window's controls, by their names in the window.
enum class Control {
    Form1,     // the window
    Command1,  // "BRELDO": split the chosen file
    Command2,  // "CLEAR": empty the form
    Command3,  // " BRELDO -R": join the set the chosen first piece begins
    Command5,  // "Browse": choose a file
    Check1,    // "SaveTo:": write the pieces on the drive chosen below
    Drive1,    // drive list
    Label2,    // "File size:" caption
    Label3,    // result lamp: red while a job runs or after a failed one, green otherwise
    Label5,    // chosen file's size, or a first piece's recorded size
    Label7,    // source size written to the header, or the pieces' total and count
    Label8,    // date stamp of the header
    Label9,    // status line: the step under way, then how the job ended
    Label10,   // clock
    Text1,     // chosen file's path
    Text2,     // piece size box
    Text3,     // log: one line per file written or read, then "Done!"
    Shape1,    // drop area behind the commands
};

const char* controlName(Control control);

// Palette indexes of the result lamp.
inline constexpr int kLightGreen = 10;
inline constexpr int kLightRed = 12;

// OkSkipCancel: OK retries, Skip goes on without what was asked for, Cancel ends the job.
enum class Buttons { Ok = 0, OkCancel = 1, OkSkipCancel = 2 };

// Where a copy stands: the piece being written or read, and the whole job's source bytes.
struct JobProgress {
    std::string piecePath;
    int pieceNumber = 0;
    // Bytes of the piece done, a first piece's header included.
    std::int64_t pieceBytes = 0;
    std::int64_t jobBytes = 0;
    std::int64_t jobTotal = 0;
};
enum class Answer { Ok = 1, Cancel = 2, Skip = 3 };

// As the console shows and reads them: "ok", "okcancel", "okskipcancel"; "ok", "cancel", "skip".
const char* buttonsName(Buttons buttons);
const char* answerName(Answer answer);

// Named moments of a job, at which tests change the world under it (a file replaced, a stick
// pulled, a letter given to another disk) to see that the job notices.
enum class JobPoint {
    SourceMeasured,  // the split's source is open and measured
    PiecesCounted,   // the join's pieces are counted, none opened yet
    PieceOpened,     // a join has opened a piece and checked it against the count
    PieceCopied,     // a piece's bytes are copied, the output not yet named
};

inline constexpr const char* kAppTitle = "Velmora RORUVEZ";

// Everything the split and join logic shows or asks goes through this surface: the window, the
// console and the tests each implement it.
class StatusSurface {
  public:
    virtual ~StatusSurface() = default;

    virtual void setCaption(Control label, const std::string& text) = 0;
    virtual void setBackColour(Control label, int paletteIndex) = 0;
    // The log becomes its old text, CR LF, then the line; its end is scrolled into view.
    virtual void appendLog(const std::string& line) = 0;
    virtual std::string text(Control box) = 0;
    virtual void setText(Control box, const std::string& text) = 0;
    // 0 unchecked, 1 checked, 2 greyed.
    virtual int checkValue(Control box) = 0;
    // The drive list's current entry, beginning with the letter and a colon.
    virtual std::string currentDrive() = 0;
    virtual void setEnabled(Control control, bool enabled) = 0;
    // Modal; no icon. An empty title means the application title.
    virtual Answer messageBox(const std::string& prompt, Buttons buttons,
                              const std::string& title = {}) = 0;
    // The box before each floppy: OK only, and the user must change the disk before answering.
    virtual void diskPrompt(const std::string& prompt) { messageBox(prompt, Buttons::Ok); }
    // A folder the user chooses, for a join's file that cannot go where its pieces are; empty
    // when none is chosen.
    virtual std::string chooseFolder(const std::string& /*title*/) { return {}; }
    // Lets the window handle pending events once.
    virtual void pumpEvents() = 0;
    // Acts at once on a request to stop that came from outside the events (Ctrl-C); called at
    // every wait and right before an output is named.
    virtual void stopIfAsked() {}
    // Called after every block a job copies, for surfaces that show progress.
    virtual void progress(const JobProgress& /*done*/) {}
    // The job has reached point; path names the file or directory concerned.
    virtual void reached(JobPoint /*point*/, const std::string& /*path*/) {}

    // The two controls every step reports on, by what they are to the job.
    void showStatus(const std::string& text) { setCaption(Control::Label9, text); }
    void setLamp(int paletteIndex) { setBackColour(Control::Label3, paletteIndex); }
};

}  // namespace roruvez
