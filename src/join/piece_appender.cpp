#include "join/piece_appender.h"

#include "format/piece_format.h"
#include "platform/error.h"
#include "platform/paths.h"

namespace roruvez {

namespace {

constexpr const char* kNoData = "The piece holds no data";
constexpr const char* kInterrupted = "Another job closed the files of this one";

// The data bytes of a piece: all of it, or all after the header for piece 1.
std::int64_t dataLength(const std::string& piecePath, int number, Context& context) {
    std::int64_t length = context.platform.files.fileLength(piecePath);
    if (number == 1) {
        length -= kHeaderLength;
    }
    if (length < 1) {
        throw PlatformError(kNoData, piecePath);
    }
    return length;
}

// Lets the window run; a job started meanwhile would have closed this one's files.
void pumpEvents(Context& context, bool reading) {
    context.surface.pumpEvents();
    if (!context.state.File2 || (reading && !context.state.File1)) {
        throw PlatformError(kInterrupted);
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
    context.surface.setCaption(Control::Label9, piecePath);
    context.surface.appendLog(piecePath);

    doing = "Reading " + piecePath;
    // Measured before the events run, so a piece that shrinks meanwhile reads short.
    const std::int64_t length = dataLength(piecePath, number, context);
    if (number == 1) {
        pumpEvents(context, true);
        // The header is consumed, not copied.
        state.Buffer.resize(kHeaderLength);
        state.File1->readExact(state.Buffer.data(), state.Buffer.size());
    }
    try {
        const CopyStart start{number == 1 ? kHeaderLength : 0, joined, state.TotalBytes};
        state.File1->copyTo(*state.File2, length, state.Buffer,
                            copyProgress(context, piecePath, number, start));
    } catch (const PlatformError& error) {
        if (error.path() == state.File2->path()) {
            doing = "Writing " + outPath;
        }
        throw;
    }
    joined += length;
    state.File1->close();
    state.File1.reset();
    if (number > 1) {
        pumpEvents(context, false);
    }
}

// Drops the unfinished output of a failed join; adds to failure when it cannot.
void abandonOutput(JobState& state, std::string& failure) {
    state.File1.reset();
    if (!state.File2) {
        return;
    }
    try {
        state.File2->close();
    } catch (const PlatformError& leftOver) {
        failure += "\r\nThe unfinished copy " + leftOver.path() +
                   " could not be removed: " + leftOver.what();
    }
    state.File2.reset();
}

}  // namespace

std::string restoredName(const std::string& targetDir, const std::string& origName) {
    return withoutTrailingBlanks(targetDir + origName);
}

std::int16_t AppendPieces(const std::string& targetDir, Context& context, std::string& failure) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    failure.clear();
    surface.setCaption(Control::Label9, "FA:" + targetDir);

    std::string doing;
    try {
        const std::string outPath = restoredName(targetDir, state.PieceHeader.OrigName);
        surface.setBackColour(Control::Label3, kLightRed);

        doing = "Creating " + outPath;
        state.File2 = context.platform.files.createOutput(outPath);
        // The bound is taken once, before the first piece.
        const int pieceCount = state.PieceCount;
        std::int64_t joined = 0;
        for (int number = 1; number == 1 || number <= pieceCount; ++number) {
            appendPiece(targetDir, number, outPath, doing, joined, context);
        }

        doing = "Moving the joined file to " + outPath;
        state.File2->publish();
        state.File2.reset();
        surface.setBackColour(Control::Label3, kLightGreen);
        return 0;
    } catch (const std::exception& error) {
        failure = doing + ": " + error.what();
        abandonOutput(state, failure);
        return 1;
    }
}

void discardUnfinishedOutput(Context& context) {
    context.state.discardOutput();
}

}  // namespace roruvez
