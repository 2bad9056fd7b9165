#include "join/piece_appender.h"

#include <string_view>
#include <vector>

#include "format/piece_format.h"
#include "join/checksum_check.h"
#include "join/recovery_rebuild.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "state/failure_texts.h"
#include "state/status_texts.h"

namespace roruvez {

namespace {

[[noreturn]] void throwPieceChanged(const std::string& piecePath) {
    throw PlatformError(error_text::kPieceChanged, piecePath);
}

// The data bytes of a piece, measured on its open descriptor: all of it, or all after the header
// for piece 1. The piece must be the file counted, as long as it was then.
std::int64_t dataLength(const std::string& piecePath, int number, const FileStatus& opened,
                        const JobState& state) {
    const auto counted = static_cast<std::size_t>(number - 1);
    // The time too: through a share's path-based bridge another directory's piece of the same
    // length can stand under the same node.
    if (counted >= state.CountedPieces.size() ||
        !state.CountedPieces[counted].unchangedFrom(opened)) {
        throwPieceChanged(piecePath);
    }
    const std::int64_t length = opened.length - (number == 1 ? kHeaderLength : 0);
    if (length < 1) {
        throw PlatformError(error_text::kNoData, piecePath);
    }
    return length;
}

// Whether the open piece is no longer as long as it was counted.
bool pieceResized(int number, const JobState& state) {
    try {
        return state.File1->status().length !=
               state.CountedPieces[static_cast<std::size_t>(number - 1)].length;
    } catch (const PlatformError&) {
        return false;
    }
}

// Piece 1's header is consumed, not copied; it must be the one the header step read.
void consumeHeader(const std::string& piecePath, JobState& state, PieceSums& sums) {
    std::vector<std::byte>& header = state.Buffer.bytes;
    header.resize(kHeaderLength);
    state.File1->readExact(header.data(), header.size());
    if (std::string_view(reinterpret_cast<const char*>(header.data()), header.size()) !=
        state.CheckedHeader) {
        throwPieceChanged(piecePath);
    }
    sums.beginPiece(1, state.CheckedHeader);
}

// Lets the window run; a job started meanwhile would have closed this one's files.
void pumpEvents(Context& context, bool reading) {
    context.surface.pumpEvents();
    if (!context.state.File2 || (reading && !context.state.File1)) {
        throw PlatformError(error_text::kInterrupted);
    }
}

// Copies the data of piece number to the end of the output; doing names the step under way.
// joined counts the bytes of the pieces before it and grows by this piece's.
void appendPiece(const std::string& targetDir, int number, const std::string& outPath,
                 std::string& doing, std::int64_t& joined, Context& context) {
    JobState& state = context.state;
    const std::string piecePath = pieceName(targetDir, number, state.PieceBaseName);
    doing = "Opening " + piecePath;
    // Found by name, so never through a link: it could lead anywhere the user may not go.
    state.File1 = context.platform.files.openRead(piecePath, FileSystem::Links::Refuse);
    context.surface.showStatus(piecePath);
    context.surface.appendLog(piecePath);

    doing = "Reading " + piecePath;
    // Measured before the events run, so a piece that shrinks meanwhile reads short.
    const std::int64_t length = dataLength(piecePath, number, state.File1->status(), state);
    context.surface.reached(JobPoint::PieceOpened, piecePath);
    PieceSums& sums = context.run().sums;
    if (number == 1) {
        pumpEvents(context, true);
        consumeHeader(piecePath, state, sums);
    } else {
        sums.beginPiece(number);
    }
    try {
        const CopyStart start{number == 1 ? kHeaderLength : 0, joined, state.TotalBytes};
        state.File1->copyTo(*state.File2, length, state.Buffer,
                            copyProgress(context, piecePath, number, start), &sums);
    } catch (const PlatformError& error) {
        if (error.path() == state.File2->path()) {
            doing = "Writing " + outPath;
        } else if (pieceResized(number, state)) {
            throwPieceChanged(piecePath);
        }
        throw;
    }
    sums.endPiece(number);
    context.surface.reached(JobPoint::PieceCopied, piecePath);
    // A piece that grew while it was read holds bytes the count never saw.
    if (pieceResized(number, state)) {
        throwPieceChanged(piecePath);
    }
    joined += length;
    state.File1->close();
    state.File1.reset();
    if (number > 1) {
        pumpEvents(context, false);
    }
}

// A piece to be rebuilt is left as zeros where its data goes.
void leaveHole(int number, std::int64_t& joined, Context& context) {
    JobState& state = context.state;
    const std::int64_t length = state.CountedPieces[static_cast<std::size_t>(number - 1)].length -
                                (number == 1 ? kHeaderLength : 0);
    std::vector<std::byte>& zeros = state.Buffer.bytes;
    zeros.assign(kCopyBlock, std::byte{0});
    for (std::int64_t left = length; left > 0;) {
        const auto size = static_cast<std::size_t>(
            std::min<std::int64_t>(left, static_cast<std::int64_t>(kCopyBlock)));
        state.File2->write(zeros.data(), size);
        left -= static_cast<std::int64_t>(size);
    }
    joined += length;
}

}  // namespace

std::int16_t AppendPieces(const std::string& targetDir, Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    JobRun& run = context.run();
    surface.showStatus(status_text::kAppending + targetDir);

    std::string doing;
    try {
        const std::string outPath = restoredName(targetDir, context);
        surface.setLamp(kLightRed);

        doing = "Creating " + outPath;
        state.File2 = context.platform.files.createOutput(outPath);
        // The bound is taken once, before the first piece.
        const int pieceCount = state.PieceCount;
        std::int64_t joined = 0;
        for (int number = 1; number == 1 || number <= pieceCount; ++number) {
            if (run.recovery && run.recovery->lost.contains(number)) {
                leaveHole(number, joined, context);
                continue;
            }
            appendPiece(targetDir, number, outPath, doing, joined, context);
        }
        if (joined != state.TotalBytes) {
            throwPieceChanged(pieceName(targetDir, pieceCount, state.PieceBaseName));
        }
        if (run.recovery) {
            doing = "Rebuilding from " + run.recovery->path;
            for (const int number : damagedPieces(context)) {
                run.recovery->lost.insert(number);
            }
            rebuildLostPieces(targetDir, context);
        } else if (run.sums.on()) {
            const std::string listPath = checksumListPath(targetDir, context);
            doing = "Checking " + listPath;
            checkPieceDigests(targetDir, context);
            surface.appendLog(piecesMatchedText(pieceCount, listPath));
        }

        doing = "Moving the joined file to " + outPath;
        run.named.push_back({outPath, state.File2->publish(pumpWhileWaiting(context))});
        state.File2.reset();
        surface.setLamp(kLightGreen);
        return 0;
    } catch (...) {
        state.File1.reset();
        try {
            state.failOutput();
        } catch (PlatformError& failure) {
            failure.during(doing);
            throw;
        }
    }
}

}  // namespace roruvez
