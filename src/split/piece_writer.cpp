#include "split/piece_writer.h"

#include "platform/error.h"

namespace roruvez {

namespace {

// The source is still what was measured: as long as it was, and its name still leads to it.
bool sourceUnchanged(Context& context) {
    const JobState& state = context.state;
    const FileStatus opened = state.File1->status();
    if (opened.length != state.SourceLen) {
        return false;
    }
    const auto named = context.platform.files.statusOf(state.SourcePath);
    return named && named->sameFile(opened);
}

bool sourceChangedQuietly(Context& context) {
    try {
        return context.state.File1 && !sourceUnchanged(context);
    } catch (const std::exception&) {
        return false;
    }
}

[[noreturn]] void throwSourceChanged(const JobState& state) {
    throw PlatformError(state.SourcePath + error_text::kChangedWhileSplit, state.SourcePath);
}

}  // namespace

void writePiece(const std::string& piecePath, int number, const std::string& header,
                std::int32_t count, std::int64_t jobDone, Context& context) {
    JobState& state = context.state;
    try {
        state.File2 = context.platform.files.createOutput(piecePath);
        state.File2->write(reinterpret_cast<const std::byte*>(header.data()), header.size());
        const CopyStart start{static_cast<std::int64_t>(header.size()), jobDone, state.SourceLen};
        try {
            state.File1->copyTo(*state.File2, count, state.Buffer,
                                copyProgress(context, piecePath, number, start));
        } catch (const PlatformError&) {
            // A source that shrank reads short: say what happened to it.
            if (sourceChangedQuietly(context)) {
                throwSourceChanged(state);
            }
            throw;
        }
        context.surface.reached(JobPoint::PieceCopied, piecePath);
        // Checked before every piece is named, the last included, so that a set is never
        // completed from a source that is not the one its header describes.
        if (!sourceUnchanged(context)) {
            throwSourceChanged(state);
        }
        state.Named.push_back({piecePath, state.File2->publish(pumpWhileWaiting(context))});
        state.File2.reset();
    } catch (const std::exception& failure) {
        const std::string leftOver = state.discardOutput();
        if (!leftOver.empty()) {
            const auto* platform = dynamic_cast<const PlatformError*>(&failure);
            throw PlatformError(failure.what() + leftOver, platform ? platform->path() : "");
        }
        throw;
    }
}

}  // namespace roruvez
