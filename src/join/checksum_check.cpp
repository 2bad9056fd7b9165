#include "join/checksum_check.h"

#include <cstring>
#include <optional>
#include <vector>

#include "format/checksum_file.h"
#include "format/piece_format.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "state/failure_texts.h"
#include "text/text.h"

namespace roruvez {

std::string checksumListPath(const std::string& targetDir, Context& context) {
    const std::string spelled = targetDir + checksumFileName(context.state.PieceBaseName);
    const std::string lower = targetDir + kChecksumFileName;
    return spelled == lower || context.platform.files.entryExists(spelled) ? spelled : lower;
}

std::string checksumListText(const std::string& listPath, FileSystem& files) {
    std::string text;
    try {
        // Never through a link, and never more than a list can hold.
        const auto list = files.openRead(listPath, FileSystem::Links::Refuse);
        text.resize(kMaxChecksumFileBytes + 1);
        text.resize(list->read(reinterpret_cast<std::byte*>(text.data()), text.size()));
        list->close();
    } catch (PlatformError& failure) {
        failure.during(listPath);
        throw;
    }
    return text;
}

std::map<int, std::string> readListedDigests(const std::string& targetDir, Context& context) {
    const std::string listPath = checksumListPath(targetDir, context);
    FileSystem& files = context.platform.files;
    if (!files.entryExists(listPath)) {
        return {};
    }
    const int pieceCount = context.state.PieceCount;
    const std::string text = checksumListText(listPath, files);
    context.run().longName =
        keptLongName(text, withoutTrailingBlanks(context.state.PieceHeader.OrigName));
    const auto inSet = [pieceCount](std::string_view name) {
        const auto number = pieceNumberOf(name);
        return number && *number <= pieceCount;
    };
    const auto listed = readChecksumFile(text, inSet);
    if (!listed) {
        throw PlatformError(listPath + ": " + error_text::kNotChecksumList, listPath);
    }
    std::map<int, std::string> digests;
    for (const auto& [name, digest] : *listed) {
        const auto [at, added] = digests.emplace(*pieceNumberOf(name), digest);
        // One piece listed in two spellings with two sums: the list contradicts itself.
        if (!added && at->second != digest) {
            throw PlatformError(listPath + ": " + error_text::kNotChecksumList, listPath);
        }
    }
    // A list that leaves a piece out (a first disk's, one cut short) would let it through
    // unchecked.
    std::vector<std::string> unlisted;
    for (int number = 1; number <= pieceCount; ++number) {
        if (!digests.contains(number)) {
            unlisted.push_back(pieceName(targetDir, number, context.state.PieceBaseName));
        }
    }
    if (!unlisted.empty()) {
        throw PlatformError(error_text::kPiecesUnlisted, listPath)
            .during(listPath)
            .concerning(unlisted, error_text::kPieceUnlistedNote, error_text::kJoinsUnchecked);
    }
    return digests;
}

std::string restoredName(const std::string& targetDir, Context& context) {
    const auto& longName = context.run().longName;
    return longName ? targetDir + *longName
                    : withoutTrailingBlanks(targetDir + context.state.PieceHeader.OrigName);
}

std::vector<int> damagedPieces(Context& context) {
    JobRun& run = context.run();
    std::vector<int> damaged;
    for (const auto& [number, listed] : run.listedDigests) {
        // A piece to be rebuilt was never summed.
        const bool lost = run.recovery && run.recovery->lost.contains(number);
        if (!lost && run.sums.pieceDigest(number) != listed) {
            damaged.push_back(number);
        }
    }
    return damaged;
}

void checkPieceDigests(const std::string& targetDir, Context& context) {
    std::vector<std::string> damaged;
    for (const int number : damagedPieces(context)) {
        damaged.push_back(pieceName(targetDir, number, context.state.PieceBaseName));
    }
    if (!damaged.empty()) {
        throw PlatformError(error_text::kPiecesDamaged)
            .concerning(damaged, error_text::kPieceDamagedNote);
    }
}

std::string piecesMatchedText(int pieces, const std::string& listPath) {
    return std::to_string(pieces) + (pieces == 1 ? " piece matches " : " pieces match ") + listPath;
}

}  // namespace roruvez
