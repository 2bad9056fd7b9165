#include "support/recording_surface.h"

#include "format/piece_format.h"

namespace roruvez::testing {

namespace {

SurfaceOp makeOp(SurfaceOp::Kind kind, Control control = Control::Form1, std::string text = {}) {
    SurfaceOp op;
    op.kind = kind;
    op.control = control;
    op.text = std::move(text);
    return op;
}

}  // namespace

RecordingSurface::RecordingSurface() {
    colours_[Control::Label3] = kLightGreen;
    texts_[Control::Text2] = kDefaultPieceSizeText;
    for (Control c : {Control::Command1, Control::Command3, Control::Check1, Control::Drive1}) {
        enabled_[c] = false;
    }
}

void RecordingSurface::setCaption(Control label, const std::string& text) {
    captions_[label] = text;
    ops_.push_back(makeOp(SurfaceOp::Kind::Caption, label, text));
}

void RecordingSurface::setBackColour(Control label, int paletteIndex) {
    colours_[label] = paletteIndex;
    SurfaceOp op = makeOp(SurfaceOp::Kind::Back, label);
    op.colour = paletteIndex;
    ops_.push_back(op);
}

void RecordingSurface::appendLog(const std::string& line) {
    log_ += "\r\n" + line;
    ops_.push_back(makeOp(SurfaceOp::Kind::Log, Control::Text3, line));
    if (onLog) {
        onLog(line);
    }
}

std::string RecordingSurface::text(Control box) {
    if (box == Control::Text3) {
        return log_;
    }
    return texts_[box];
}

void RecordingSurface::setText(Control box, const std::string& text) {
    if (box == Control::Text3) {
        log_ = text;
    } else {
        texts_[box] = text;
    }
    ops_.push_back(makeOp(SurfaceOp::Kind::Text, box, text));
}

int RecordingSurface::checkValue(Control /*box*/) {
    return check1;
}

std::string RecordingSurface::currentDrive() {
    return drive;
}

void RecordingSurface::setEnabled(Control control, bool enabled) {
    enabled_[control] = enabled;
    SurfaceOp op = makeOp(SurfaceOp::Kind::Enable, control);
    op.enabled = enabled;
    ops_.push_back(op);
}

Answer RecordingSurface::messageBox(const std::string& prompt, Buttons buttons,
                                    const std::string& title) {
    ShownBox box{prompt, title.empty() ? kAppTitle : title, buttons};
    std::optional<Answer> answer;
    if (onMessageBox) {
        answer = onMessageBox(box);
    }
    if (!answer) {
        answer = Answer::Ok;
        if (!script_.empty()) {
            answer = script_.front();
            script_.pop_front();
        }
    }
    SurfaceOp op = makeOp(SurfaceOp::Kind::MessageBox, Control::Form1, prompt);
    op.buttons = buttons;
    op.title = box.title;
    op.answer = *answer;
    ops_.push_back(op);
    return *answer;
}

std::string RecordingSurface::chooseFolder(const std::string& title) {
    folderTitles.push_back(title);
    return folder;
}

void RecordingSurface::pumpEvents() {
    ops_.push_back(makeOp(SurfaceOp::Kind::Pump));
    if (onPump) {
        onPump();
    }
}

void RecordingSurface::progress(const JobProgress& done) {
    if (onProgress) {
        onProgress(done);
    }
}

void RecordingSurface::reached(JobPoint point, const std::string& path) {
    if (onPoint) {
        onPoint(point, path);
    }
}

void RecordingSurface::answer(std::initializer_list<Answer> answers) {
    script_.insert(script_.end(), answers.begin(), answers.end());
}

std::string RecordingSurface::caption(Control label) const {
    const auto found = captions_.find(label);
    return found == captions_.end() ? std::string() : found->second;
}

int RecordingSurface::backColour(Control label) const {
    const auto found = colours_.find(label);
    return found == colours_.end() ? -1 : found->second;
}

bool RecordingSurface::enabled(Control control) const {
    const auto found = enabled_.find(control);
    return found != enabled_.end() && found->second;
}

std::vector<std::string> RecordingSurface::logLines() const {
    // Every line is preceded by CR LF, so the text before the first separator is not a line.
    std::vector<std::string> lines;
    std::size_t at = log_.find("\r\n");
    while (at != std::string::npos) {
        const std::size_t next = log_.find("\r\n", at + 2);
        lines.push_back(
            log_.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2));
        at = next;
    }
    return lines;
}

std::vector<std::string> RecordingSurface::captionsOf(Control label) const {
    std::vector<std::string> captions;
    for (const auto& op : ops_) {
        if (op.kind == SurfaceOp::Kind::Caption && op.control == label) {
            captions.push_back(op.text);
        }
    }
    return captions;
}

std::vector<int> RecordingSurface::coloursOf(Control label) const {
    std::vector<int> colours;
    for (const auto& op : ops_) {
        if (op.kind == SurfaceOp::Kind::Back && op.control == label) {
            colours.push_back(op.colour);
        }
    }
    return colours;
}

std::vector<ShownBox> RecordingSurface::boxes() const {
    std::vector<ShownBox> shown;
    for (const auto& op : ops_) {
        if (op.kind == SurfaceOp::Kind::MessageBox) {
            shown.push_back({op.text, op.title, op.buttons});
        }
    }
    return shown;
}

std::vector<std::string> RecordingSurface::prompts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes()) {
        texts.push_back(box.prompt);
    }
    return texts;
}

int RecordingSurface::pumps() const {
    int count = 0;
    for (const auto& op : ops_) {
        count += op.kind == SurfaceOp::Kind::Pump ? 1 : 0;
    }
    return count;
}

}  // namespace roruvez::testing
