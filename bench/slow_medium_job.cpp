// Runs one split or join with every output treated as on a removable medium, and prints how the
// job kept its events going and how soon "Done!" followed the last progress report. Run by
// bench/slow_medium_bench.sh on a slow medium.
//   slow_medium_job split FILE SIZE
//   slow_medium_job join FIRST_PIECE
#include <chrono>
#include <cstdio>
#include <string>

#include "format/piece_format.h"
#include "join/join_driver.h"
#include "removable_machine.h"
#include "split/split_driver.h"
#include "state/context.h"

namespace {

using Steady = std::chrono::steady_clock;

double millisecondsBetween(Steady::time_point from, Steady::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Answers as a user who says OK to everything, and times the pumps, the progress and the end.
class TimingSurface : public roruvez::StatusSurface {
  public:
    TimingSurface(std::string path, std::string size)
        : path_(std::move(path)), size_(std::move(size)) {}

    void setCaption(roruvez::Control label, const std::string& text) override {
        if (label == roruvez::Control::Label9 && text == "Done!") {
            done = Steady::now();
        }
    }
    void setBackColour(roruvez::Control /*label*/, int /*paletteIndex*/) override {}
    void appendLog(const std::string& /*line*/) override {}
    std::string text(roruvez::Control box) override {
        return box == roruvez::Control::Text1 ? path_ : size_;
    }
    void setText(roruvez::Control /*box*/, const std::string& /*text*/) override {}
    int checkValue(roruvez::Control /*box*/) override { return 0; }
    std::string currentDrive() override { return "c:"; }
    void setEnabled(roruvez::Control /*control*/, bool /*enabled*/) override {}
    roruvez::Answer messageBox(const std::string& prompt, roruvez::Buttons /*buttons*/,
                               const std::string& /*title*/) override {
        std::fprintf(stderr, "box: %s\n", prompt.c_str());
        return roruvez::Answer::Ok;
    }
    void pumpEvents() override {
        const auto now = Steady::now();
        largestPumpGap = std::max(largestPumpGap, millisecondsBetween(lastPump, now));
        lastPump = now;
    }
    void progress(const roruvez::JobProgress& report) override {
        lastProgress = Steady::now();
        bytes = report.jobBytes;
    }

    Steady::time_point started = Steady::now();
    Steady::time_point lastPump = started;
    Steady::time_point lastProgress = started;
    Steady::time_point done{};
    double largestPumpGap = 0;
    std::int64_t bytes = 0;

  private:
    std::string path_;
    std::string size_;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (!((command == "split" && argc == 4) || (command == "join" && argc == 3))) {
        std::fprintf(stderr, "usage: slow_medium_job split FILE SIZE | join FIRST_PIECE\n");
        return 2;
    }
    roruvez::bench::RemovableMachine machine;
    roruvez::Platform platform = machine.platform();
    TimingSurface surface(argv[2], command == "split" ? argv[3] : "");
    roruvez::JobState state;
    state.MaxPieces = roruvez::kMaxPieces;
    state.FilePath = argv[2];
    roruvez::Context context{state, surface, platform};

    surface.started = surface.lastPump = surface.lastProgress = Steady::now();
    if (command == "split") {
        roruvez::SplitFile(state.FilePath, context);
    } else {
        roruvez::JoinFiles(state.FilePath, context);
    }
    state.closeAllFiles();
    if (surface.done == Steady::time_point{}) {
        std::fprintf(stderr, "the job did not end with \"Done!\"\n");
        return 1;
    }
    surface.pumpEvents();
    // seconds, largest pump gap (ms), last progress to "Done!" (ms), bytes
    std::printf("%.3f %.1f %.1f %lld\n", millisecondsBetween(surface.started, surface.done) / 1000,
                surface.largestPumpGap, millisecondsBetween(surface.lastProgress, surface.done),
                static_cast<long long>(surface.bytes));
    return 0;
}
