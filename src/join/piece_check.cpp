#include "join/piece_check.h"

#include <array>
#include <limits>

#include "format/piece_format.h"
#include "join/recovery_rebuild.h"
#include "platform/error.h"
#include "state/failure_texts.h"
#include "state/status_texts.h"

namespace roruvez {

std::string mismatchReport(const std::string& restored, const Context& context) {
    const JobState& state = context.state;
    const auto recorded = readSizeField(state.PieceHeader.OrigSize);
    const std::string recordedText =
        recorded ? std::to_string(*recorded) : state.PieceHeader.OrigSize;
    std::string report = "The pieces found hold " + std::to_string(state.TotalBytes) +
                         " bytes, but the header records " + recordedText + " bytes.";
    if (recorded && state.TotalBytes < *recorded) {
        report +=
            "\r\n" + pieceName("", state.PieceCount + 1, state.PieceBaseName) + " is missing.";
    }
    return report + "\r\n" + restored +
           " holds what the pieces found hold and is not the file that was split. Keep the "
           "pieces.";
}

namespace {

// The recovery set beside the pieces, when one describes them; a recovery file that cannot be
// read is logged and the join goes on as without it.
const JoinRecovery* recoveryBeside(const std::string& targetDir, Context& context) {
    try {
        readRecoveryBeside(targetDir, context);
    } catch (const std::exception& failure) {
        context.surface.appendLog(std::string(error_text::kRecoveryNotUsed) + failure.what());
    }
    const auto& recovery = context.run().recovery;
    return recovery ? &*recovery : nullptr;
}

}  // namespace

std::int16_t CheckPieces(const std::string& targetDir, Context& context) {
    JobState& state = context.state;
    StatusSurface& surface = context.surface;
    return trapFailures(context, [&]() -> std::int16_t {
        surface.showStatus(status_text::kCountingPieces);
        FileSystem& files = context.platform.files;
        std::int64_t total = 0;
        int number = 1;
        state.CountedPieces.clear();
        const JoinRecovery* recovery = recoveryBeside(targetDir, context);
        for (;;) {
            const std::string piecePath = pieceName(targetDir, number, state.PieceBaseName);
            auto piece = files.findFile(piecePath);
            // With recovery data, the set's own count: a piece that is missing or of another
            // length is rebuilt.
            if (recovery != nullptr) {
                if (number > static_cast<int>(recovery->pieceLengths.size())) {
                    break;
                }
                const std::int64_t length =
                    recovery->pieceLengths[static_cast<std::size_t>(number - 1)];
                if (!piece || piece->length != length) {
                    context.run().recovery->lost.insert(number);
                    FileStatus expected;
                    expected.length = length;
                    piece = expected;
                }
            } else if (!piece) {
                break;
            }
            state.CountedPieces.push_back(*piece);
            if (piece->length > std::numeric_limits<std::int64_t>::max() - total) {
                throw PlatformError(error_text::kOverflow, piecePath);
            }
            total += piece->length;
            if (number == std::numeric_limits<std::int16_t>::max()) {
                throw PlatformError(error_text::kOverflow, piecePath);
            }
            ++number;
        }
        state.TotalBytes = total;
        state.PieceCount = static_cast<std::int16_t>(number - 1);
        state.TotalBytes -= kHeaderLength;
        surface.setCaption(Control::Label7, "TB: " + std::to_string(state.TotalBytes) +
                                                " FN: " + std::to_string(state.PieceCount));

        const auto recorded = readSizeField(state.PieceHeader.OrigSize);
        if (!recorded) {
            throw PlatformError(std::string(error_text::kTypeMismatch) +
                                ": the size in the header is not a number");
        }
        state.SizeMismatch = *recorded != state.TotalBytes;
        if (state.SizeMismatch) {
            surface.messageBox("Error: CheckSum error: Ignoring...", Buttons::Ok);
        }
        surface.reached(JobPoint::PiecesCounted, targetDir);
        return 0;
    });
}

namespace {

std::array<std::byte, kHeaderLength> headerOf(const std::string& path, FileSystem& files,
                                              FileSystem::Links links) {
    std::array<std::byte, kHeaderLength> header{};
    const auto file = files.openRead(path, links);
    file->read(header.data(), header.size());
    file->close();
    return header;
}

}  // namespace

std::int16_t MatchPieceSet(const std::string& firstPiece, const std::string& targetDir,
                           Context& context) {
    return trapFailures(context, [&]() -> std::int16_t {
        FileSystem& files = context.platform.files;
        context.state.PieceBaseName = pieceBaseNameOf(firstPiece, targetDir, files);
        const std::string reason = foreignSetReason(
            firstPiece, pieceName(targetDir, 1, context.state.PieceBaseName), files);
        if (reason.empty()) {
            return 0;
        }
        context.surface.messageBox(reason, Buttons::Ok);
        return 1;
    });
}

std::string pieceBaseNameOf(const std::string& firstPiece, const std::string& targetDir,
                            FileSystem& files) {
    const bool ownDirectory = firstPiece.size() == targetDir.size() + kFirstPieceName.size() &&
                              firstPiece.compare(0, targetDir.size(), targetDir) == 0;
    if (!ownDirectory || !isFirstPieceName(firstPiece) || firstPiece.ends_with(kFirstPieceName)) {
        return kPieceBaseName;
    }
    // The lower-case set comes first; the chosen spelling only where it is the only set.
    try {
        if (files.findFile(pieceName(targetDir, 1))) {
            return kPieceBaseName;
        }
    } catch (const PlatformError&) {
        return kPieceBaseName;
    }
    return firstPiece.substr(targetDir.size(), kFirstPieceName.size() - 1);
}

std::string foreignSetReason(const std::string& firstPiece, const std::string& dataPiece,
                             FileSystem& files) {
    if (dataPiece == firstPiece || !files.findFile(dataPiece)) {
        // The chosen file itself, or none at all, which the copy reports.
        return {};
    }
    if (headerOf(dataPiece, files, FileSystem::Links::Refuse) ==
        headerOf(firstPiece, files, FileSystem::Links::Follow)) {
        return {};
    }
    return dataPiece + " does not begin with the header of " + firstPiece +
           ": the pieces belong to another set.";
}

}  // namespace roruvez
