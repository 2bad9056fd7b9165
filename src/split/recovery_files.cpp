#include "split/recovery_files.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "checks/sha256.h"
#include "files/output_guard.h"
#include "format/par2_set.h"
#include "format/piece_format.h"
#include "platform/drive_table.h"
#include "platform/error.h"
#include "state/failure_texts.h"

namespace roruvez {

namespace {

// A slice as large as a piece rebuilds a piece from one recovery slice, but the slices of one
// pass are held in memory together: a piece larger than this is cut into slices of about equal
// size below it.
constexpr std::uint64_t kLargestSlice = std::uint64_t{32} << 20;
constexpr const char* kRecoveryBase = "breldo";

std::uint64_t slicesPerPiece(std::int32_t pieceSize) {
    const auto size = static_cast<std::uint64_t>(pieceSize);
    return (size + kLargestSlice - 1) / kLargestSlice;
}

std::uint64_t sliceSizeFor(std::int32_t pieceSize) {
    const std::uint64_t per = slicesPerPiece(pieceSize);
    const std::uint64_t size = (static_cast<std::uint64_t>(pieceSize) + per - 1) / per;
    return (size + 3) / 4 * 4;
}

int piecesOfSet(const JobState& state) {
    const std::int64_t rest = state.SourceLen - (state.PieceSize - kHeaderLength);
    return 1 + static_cast<int>((rest + state.PieceSize - 1) / state.PieceSize);
}

// Piece number as the job named it, opened again and found to be the same file.
std::unique_ptr<OpenFile> openNamedPiece(const std::string& path, Context& context) {
    const auto& named = context.run().named;
    const auto own = std::find_if(named.begin(), named.end(),
                                  [&](const NamedOutput& output) { return output.name == path; });
    auto file = context.platform.files.openRead(path, FileSystem::Links::Refuse);
    if (own == named.end() || !file->status().unchangedFrom(own->file)) {
        throw PlatformError(path + ": " + error_text::kNamedOutputChanged, path);
    }
    return file;
}

std::uint32_t recoverySlices(Context& context) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(context.run().request.recovery) *
                                      slicesPerPiece(context.state.PieceSize));
}

// With the words a piece's refusal has.
[[noreturn]] void throwNameTaken(const std::string& path) {
    std::string text = "Sorry:";
    text += path;
    text += " already exists or Disk Error: Exited!";
    throw PlatformError(text, path);
}

struct RecoveryOutput {
    std::unique_ptr<OutputFile> file;
    Sha256 sum;
};

}  // namespace

void checkRecoveryAsked(const std::string& targetDir, Context& context) {
    const int asked = context.run().request.recovery;
    if (asked == 0) {
        return;
    }
    if (isFloppyDriveName(targetDir)) {
        throw PlatformError(error_text::kRecoveryOnFloppy, targetDir);
    }
    const int pieces = piecesOfSet(context.state);
    if (asked > pieces) {
        throw PlatformError(
            error_text::kRecoveryTooLarge + std::to_string(asked) + " of " + std::to_string(pieces),
            targetDir);
    }
    // Found only once every piece is written, a file under one of the names would end the split.
    const par2::RecoverySet names(kRecoveryBase, {}, sliceSizeFor(context.state.PieceSize),
                                  recoverySlices(context));
    for (const std::string& name : names.fileNames()) {
        if (CheckOutputFile(targetDir + name, context) != 0) {
            throwNameTaken(targetDir + name);
        }
    }
}

void writeRecoveryFiles(const std::string& targetDir, int pieces, Context& context) {
    if (context.run().request.recovery == 0) {
        return;
    }
    const std::int32_t pieceSize = context.state.PieceSize;
    std::vector<std::unique_ptr<OpenFile>> files;
    std::vector<par2::InputName> inputs;
    for (int number = 1; number <= pieces; ++number) {
        files.push_back(openNamedPiece(pieceName(targetDir, number), context));
        inputs.push_back(
            {pieceName("", number), static_cast<std::uint64_t>(files.back()->status().length)});
    }
    const par2::RecoverySet set(kRecoveryBase, inputs, sliceSizeFor(pieceSize),
                                recoverySlices(context));
    std::map<std::string, RecoveryOutput> outputs;
    for (const std::string& name : set.fileNames()) {
        const std::string path = targetDir + name;
        if (CheckOutputFile(path, context) != 0) {
            throwNameTaken(path);
        }
        outputs[name].file = context.platform.files.createOutput(path);
    }
    set.make(
        [&](std::size_t input, std::uint64_t offset, std::byte* data, std::size_t size) {
            context.surface.pumpEvents();
            files[input]->readExactAt(data, size, static_cast<std::int64_t>(offset));
        },
        [&](const std::string& name, std::string_view bytes) {
            RecoveryOutput& output = outputs.at(name);
            const auto* data = reinterpret_cast<const std::byte*>(bytes.data());
            output.file->write(data, bytes.size());
            output.sum.add(data, bytes.size());
        },
        "Created by Roruvez");
    JobRun& run = context.run();
    for (auto& [name, output] : outputs) {
        const std::string path = targetDir + name;
        run.named.push_back({path, output.file->publish(pumpWhileWaiting(context))});
        run.recoveryDigests.emplace_back(name, output.sum.finish());
    }
}

}  // namespace roruvez
