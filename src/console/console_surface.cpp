#include "console/console_surface.h"

#include <istream>
#include <optional>

#include "console/interruption.h"
#include "console/progress_line.h"
#include "text/text.h"

namespace roruvez {

namespace {

std::string withNewlines(const std::string& prompt) {
    std::string out;
    for (std::size_t i = 0; i < prompt.size(); ++i) {
        if (prompt[i] == '\r' && i + 1 < prompt.size() && prompt[i + 1] == '\n') {
            continue;
        }
        out += prompt[i];
    }
    return out;
}

std::string trimmedLower(const std::string& line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t')) {
        ++begin;
    }
    while (end > begin &&
           (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r')) {
        --end;
    }
    return toLowerAscii(std::string_view(line).substr(begin, end - begin));
}

// Longer than any answer; a line that runs past it is no answer, and is not read to its end,
// which might never come.
constexpr std::size_t kAnswerLimit = 64;
// Answers that are neither ok nor cancel before the box takes them as cancel.
constexpr int kWrongAnswers = 3;

// One answer line without its line feed; nothing at the end of the input or on an interruption.
std::optional<std::string> readAnswer(std::istream& in) {
    std::string line;
    char c = 0;
    while (line.size() <= kAnswerLimit) {
        if (!in.get(c)) {
            return line.empty() ? std::nullopt : std::optional<std::string>(line);
        }
        if (c == '\n') {
            return line;
        }
        line += c;
    }
    return line;
}

}  // namespace

ConsoleSurface::ConsoleSurface(ConsoleStreams streams, bool yes, TraceLog* trace)
    : streams_(streams), yes_(yes), trace_(trace) {}

void ConsoleSurface::presetText(Control box, const std::string& text) {
    texts_[box] = text;
}

void ConsoleSurface::presetCheck(Control box, int value) {
    checks_[box] = value;
}

void ConsoleSurface::presetDrive(const std::string& driveText) {
    drive_ = driveText;
}

void ConsoleSurface::setCaption(Control label, const std::string& text) {
    changed();
    captions_[label] = text;
    if (trace_ != nullptr) {
        trace_->caption(label, text);
    }
}

void ConsoleSurface::setBackColour(Control label, int paletteIndex) {
    changed();
    if (trace_ != nullptr) {
        trace_->back(label, paletteIndex);
    }
}

void ConsoleSurface::appendLog(const std::string& line) {
    changed();
    clearProgress();
    streams_.out << line << '\n';
    streams_.out.flush();
    if (trace_ != nullptr) {
        trace_->log(line);
    }
}

std::string ConsoleSurface::text(Control box) {
    const auto found = texts_.find(box);
    return found == texts_.end() ? std::string{} : found->second;
}

void ConsoleSurface::setText(Control box, const std::string& text) {
    changed();
    texts_[box] = text;
    if (trace_ != nullptr) {
        trace_->text(box, text);
    }
}

int ConsoleSurface::checkValue(Control box) {
    const auto found = checks_.find(box);
    return found == checks_.end() ? 0 : found->second;
}

std::string ConsoleSurface::currentDrive() {
    return drive_;
}

void ConsoleSurface::setEnabled(Control control, bool enabled) {
    changed();
    if (trace_ != nullptr) {
        trace_->enable(control, enabled);
    }
}

Answer ConsoleSurface::messageBox(const std::string& prompt, Buttons buttons,
                                  const std::string& title) {
    return showBox(prompt, buttons, title, false);
}

void ConsoleSurface::diskPrompt(const std::string& prompt) {
    showBox(prompt, Buttons::Ok, {}, true);
}

Answer ConsoleSurface::showBox(const std::string& prompt, Buttons buttons, const std::string& title,
                               bool waitForUser) {
    checkInterrupt();
    const std::string shown = title.empty() ? kAppTitle : title;
    clearProgress();
    streams_.err << kProgramPrefix << "--- " << shown << " ---\n" << withNewlines(prompt) << '\n';
    const Answer answer = decide(prompt, buttons, shown, waitForUser);
    // Ctrl-C at a box is a Cancel that ends the job there: nothing more is written.
    checkInterrupt();
    streams_.err << "-> " << answerName(answer) << '\n';
    streams_.err.flush();
    if (trace_ != nullptr) {
        trace_->msgbox(prompt, shown, buttons, answer);
    }
    lastBox_ = shown + '\n' + prompt;
    return answer;
}

Answer ConsoleSurface::decide(const std::string& prompt, Buttons buttons, const std::string& title,
                              bool waitForUser) {
    if (buttons == Buttons::Ok) {
        if (!yes_ && waitForUser) {
            streams_.err << "(press Enter) ";
            streams_.err.flush();
            // OK is the only answer, also at the end of the input; the free-space test and
            // the output guard still stand between a missing disk and the pieces.
            readAnswer(streams_.in);
        }
        return Answer::Ok;
    }
    if (yes_) {
        // The same question again with nothing changed between is a retry that cannot
        // succeed without the user: OK once more would loop for ever.
        return lastBox_ == title + '\n' + prompt ? Answer::Cancel : Answer::Ok;
    }
    const bool skip = buttons == Buttons::OkSkipCancel;
    for (int wrong = 0; wrong < kWrongAnswers; ++wrong) {
        streams_.err << (skip ? "(ok/skip/cancel) " : "(ok/cancel) ");
        streams_.err.flush();
        const std::optional<std::string> line = readAnswer(streams_.in);
        if (!line || interruptRequested()) {
            streams_.err << '\n';
            return Answer::Cancel;
        }
        const std::string word = trimmedLower(*line);
        if (word.empty() || word == "ok") {
            return Answer::Ok;
        }
        if (word == "cancel") {
            return Answer::Cancel;
        }
        if (skip && word == "skip") {
            return Answer::Skip;
        }
        if (wrong + 1 < kWrongAnswers) {
            streams_.err << (skip ? "Please answer ok, skip or cancel.\n"
                                  : "Please answer ok or cancel.\n");
        }
    }
    streams_.err << '\n';
    return Answer::Cancel;
}

void ConsoleSurface::checkInterrupt() {
    if (interruptRequested() && onInterrupt) {
        onInterrupt();
    }
}

void ConsoleSurface::stopIfAsked() {
    checkInterrupt();
}

void ConsoleSurface::pumpEvents() {
    checkInterrupt();
    changed();
    if (trace_ != nullptr) {
        trace_->pump();
    }
}

void ConsoleSurface::progress(const JobProgress& done) {
    if (!streams_.progressLine) {
        return;
    }
    using namespace std::chrono;
    const auto now = steady_clock::now();
    if (!firstReport_) {
        firstReport_ = now;
        firstBytes_ = done.jobBytes;
    }
    if (lastDrawn_ && now - *lastDrawn_ < milliseconds(100)) {
        return;
    }
    lastDrawn_ = now;
    std::optional<double> rate;
    const double seconds = duration<double>(now - *firstReport_).count();
    if (seconds >= 0.1) {
        rate = static_cast<double>(done.jobBytes - firstBytes_) / seconds;
    }
    streams_.err << '\r' << progressLineText(done, rate) << "\033[K";
    streams_.err.flush();
    progressShown_ = true;
}

std::string ConsoleSurface::caption(Control label) const {
    const auto found = captions_.find(label);
    return found == captions_.end() ? std::string{} : found->second;
}

void ConsoleSurface::clearProgress() {
    if (progressShown_) {
        streams_.err << "\r\033[K";
        streams_.err.flush();
        progressShown_ = false;
    }
}

}  // namespace roruvez
