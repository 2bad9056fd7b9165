#include "split/piece_writer.h"

#include "checks/sha256.h"
#include "platform/error.h"
#include "split/checksum_list.h"
#include "state/failure_texts.h"

namespace roruvez {

namespace {

// The source is still what was measured: not written to since, and its name still leads to it.
bool sourceUnchanged(Context& context) {
    const JobState& state = context.state;
    if (!state.File1->status().untouchedSince(state.SourceStatus)) {
        return false;
    }
    const auto named = context.platform.files.statusOf(state.SourcePath);
    return named && named->sameFile(state.SourceStatus);
}

[[noreturn]] void throwSourceChanged(const JobState& state) {
    throw PlatformError(state.SourcePath + error_text::kChangedWhileSplit, state.SourcePath);
}

bool sourceChangedQuietly(Context& context) {
    try {
        return context.state.File1 && !sourceUnchanged(context);
    } catch (const std::exception&) {
        return false;
    }
}

// A medium that takes data and gives it back otherwise is found while the source is at hand.
void checkReadBack(const std::string& piecePath, const std::string& digest, Context& context) {
    Sha256 sum;
    context.state.File2->readBack(
        [&sum](const std::byte* data, std::size_t size) { sum.add(data, size); },
        pumpWhileWaiting(context));
    if (sum.finish() != digest) {
        throw PlatformError(piecePath + ": " + error_text::kReadBackDiffers, piecePath);
    }
}

}  // namespace

void checkSourceUnchanged(Context& context) {
    if (!sourceUnchanged(context)) {
        throwSourceChanged(context.state);
    }
}

void writePiece(const std::string& piecePath, int number, const std::string& header,
                std::int32_t count, std::int64_t jobDone, Context& context) {
    JobState& state = context.state;
    JobRun& run = context.run();
    try {
        state.File2 = context.platform.files.createOutput(piecePath);
        state.File2->write(reinterpret_cast<const std::byte*>(header.data()), header.size());
        run.sums.beginPiece(number, header);
        const CopyStart start{static_cast<std::int64_t>(header.size()), jobDone, state.SourceLen};
        try {
            state.File1->copyTo(*state.File2, count, state.Buffer,
                                copyProgress(context, piecePath, number, start), &run.sums);
        } catch (const PlatformError&) {
            // A source that shrank reads short: say what happened to it.
            if (sourceChangedQuietly(context)) {
                throwSourceChanged(state);
            }
            throw;
        }
        run.sums.endPiece(number);
        context.surface.reached(JobPoint::PieceCopied, piecePath);
        // Checked before every piece is named, the last included, so that a set is never
        // completed from a source that is not the one its header describes.
        checkSourceUnchanged(context);
        if (run.sums.checksums() && state.File2->flushed()) {
            checkReadBack(piecePath, run.sums.pieceDigest(number), context);
        }
        run.named.push_back({piecePath, state.File2->publish(pumpWhileWaiting(context))});
        state.File2.reset();
    } catch (...) {
        state.failOutput();
    }
}

}  // namespace roruvez
