#include "split/recovery_files.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "checks/sha256.h"
#include "files/drive_free_space.h"
#include "files/named_outputs.h"
#include "files/output_guard.h"
#include "format/checksum_file.h"
#include "format/par2_set.h"
#include "format/piece_format.h"
#include "platform/drive_table.h"
#include "platform/error.h"
#include "state/failure_texts.h"
#include "text/code_page.h"

namespace roruvez {

namespace {

// A slice as large as a piece rebuilds a piece from one recovery slice, but the slices of one
// pass are held in memory together: a piece larger than this is cut into slices of about equal
// size below it.
constexpr std::uint64_t kLargestSlice = std::uint64_t{32} << 20;
constexpr const char* kRecoveryBase = "breldo";
constexpr const char* kCreator = "Created by Roruvez";

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

// The pieces the split is about to write, by name and length.
std::vector<par2::InputName> piecesToBe(const JobState& state) {
    const int pieces = piecesOfSet(state);
    std::vector<par2::InputName> inputs;
    for (int number = 1; number <= pieces; ++number) {
        const std::int64_t length =
            number < pieces ? state.PieceSize
                            : state.SourceLen + kHeaderLength -
                                  static_cast<std::int64_t>(pieces - 1) * state.PieceSize;
        inputs.push_back({pieceName("", number), static_cast<std::uint64_t>(length)});
    }
    return inputs;
}

// Bytes of piece input + 1 as the split will write it: piece 1's header, then the source's
// bytes that follow from the piece size.
void readPieceToBe(std::size_t input, std::uint64_t offset, std::byte* data, std::size_t size,
                   const std::string& header, Context& context) {
    const JobState& state = context.state;
    auto at = static_cast<std::int64_t>(offset);
    if (input == 0 && at < kHeaderLength) {
        const auto part = std::min<std::size_t>(size, static_cast<std::size_t>(kHeaderLength - at));
        std::copy_n(reinterpret_cast<const std::byte*>(header.data() + at), part, data);
        data += part;
        size -= part;
        at += static_cast<std::int64_t>(part);
    }
    const std::int64_t pieceStart =
        input == 0 ? -kHeaderLength
                   : state.PieceSize - kHeaderLength +
                         static_cast<std::int64_t>(input - 1) * state.PieceSize;
    state.File1->readExactAt(data, size, pieceStart + at);
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

// Names the output of each file, its bytes written through it, once all are complete.
void publishOutputs(const std::string& targetDir, std::map<std::string, RecoveryOutput>& outputs,
                    Context& context) {
    JobRun& run = context.run();
    for (auto& [name, output] : outputs) {
        run.named.push_back({targetDir + name, output.file->publish(pumpWhileWaiting(context))});
        run.recoveryDigests.emplace_back(name, output.sum.finish());
    }
}

std::unique_ptr<OutputFile> createFree(const std::string& path, Context& context) {
    if (CheckOutputFile(path, context) != 0) {
        throwNameTaken(path);
    }
    return context.platform.files.createOutput(path);
}

}  // namespace

void startRecovery(const std::string& targetDir, Context& context) {
    JobRun& run = context.run();
    const int asked = run.request.recovery;
    if (asked == 0) {
        return;
    }
    const JobState& state = context.state;
    const int pieces = piecesOfSet(state);
    if (asked > pieces) {
        throw PlatformError(
            error_text::kRecoveryTooLarge + std::to_string(asked) + " of " + std::to_string(pieces),
            targetDir);
    }
    const bool floppy = isFloppyDriveName(targetDir);
    const auto perPiece = static_cast<std::uint32_t>(slicesPerPiece(state.PieceSize));
    // A floppy's volumes hold one piece's worth each, as a disk holds a piece.
    auto set = std::make_shared<par2::RecoverySet>(
        kRecoveryBase, piecesToBe(state), sliceSizeFor(state.PieceSize),
        static_cast<std::uint32_t>(asked) * perPiece, par2::kRecoveryMemory, floppy ? perPiece : 0);
    if (floppy && !set->summedOnce()) {
        throw PlatformError(error_text::kRecoveryOnFloppy + std::to_string(asked), targetDir);
    }
    // Found only once every piece is written, a file under one of the names would end the split.
    if (!floppy) {
        for (const std::string& name : set->fileNames()) {
            if (CheckOutputFile(targetDir + name, context) != 0) {
                throwNameTaken(targetDir + name);
            }
        }
    }
    const std::string header = toCodePage(state.HeaderText);
    set->describe([&](std::size_t input, std::uint64_t offset, std::byte* data, std::size_t size) {
        readPieceToBe(input, offset, data, size, header, context);
    });
    run.recoverySet = set;
    // Piece N, input N - 1, goes to lane N mod the summers; each lane's streams are its pieces
    // in order.
    constexpr std::size_t kSummers = par2::RecoverySet::kSummers;
    std::vector<MakeStreamSum> summers;
    for (std::size_t lane = 0; lane < kSummers; ++lane) {
        summers.emplace_back([set, next = (lane + kSummers - 1) % kSummers]() mutable {
            auto sum = set->inputSum(next);
            next += kSummers;
            return sum;
        });
    }
    run.sums = PieceSums(run.request.checksums, std::move(summers));
}

void writeRecoveryFiles(const std::string& targetDir, int pieces, Context& context) {
    JobRun& run = context.run();
    if (!run.recoverySet) {
        return;
    }
    run.sums.recoveryFinished();
    const bool floppy = isFloppyDriveName(targetDir);
    // Read back only when memory did not hold every recovery slice during the copy.
    std::vector<std::unique_ptr<OpenFile>> files;
    const auto read = [&](std::size_t input, std::uint64_t offset, std::byte* data,
                          std::size_t size) {
        if (files.empty()) {
            for (int number = 1; number <= pieces; ++number) {
                files.push_back(openNamedPiece(pieceName(targetDir, number), context));
            }
        }
        context.surface.pumpEvents();
        files.at(input)->readExactAt(data, size, static_cast<std::int64_t>(offset));
    };
    std::map<std::string, RecoveryOutput> outputs;
    for (const std::string& name : run.recoverySet->fileNames()) {
        if (!floppy) {
            outputs[name].file = createFree(targetDir + name, context);
        }
    }
    run.recoverySet->write(
        read,
        [&](const std::string& name, std::string_view bytes) {
            const auto* data = reinterpret_cast<const std::byte*>(bytes.data());
            if (floppy) {
                run.heldRecoveryFiles[name] += bytes;
                return;
            }
            RecoveryOutput& output = outputs.at(name);
            output.file->write(data, bytes.size());
            output.sum.add(data, bytes.size());
        },
        kCreator);
    if (!floppy) {
        publishOutputs(targetDir, outputs, context);
        return;
    }
    for (const auto& [name, bytes] : run.heldRecoveryFiles) {
        Sha256 sum;
        sum.add(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
        run.recoveryDigests.emplace_back(name, sum.finish());
    }
}

bool writeRecoveryDisks(const std::string& targetDir, Context& context) {
    JobRun& run = context.run();
    if (!run.recoverySet || !isFloppyDriveName(targetDir)) {
        return true;
    }
    const std::vector<std::string> names = run.recoverySet->fileNames();
    for (std::size_t volume = 1; volume < names.size(); ++volume) {
        std::vector<std::string> onDisk{names[volume]};
        if (volume == 1) {
            onDisk.push_back(names[0]);
        }
        std::int64_t bytes = 0;
        for (const std::string& name : onDisk) {
            bytes += static_cast<std::int64_t>(run.heldRecoveryFiles.at(name).size());
        }
        ConfirmNamedOutputs(context);
        context.surface.diskPrompt("Please Insert a Floppy Disk then press OK");
        context.platform.files.lookAgain();
        if (DiskFreeBytes(targetDir, context) < bytes) {
            context.surface.messageBox("No space on disk: " + targetDir, Buttons::Ok);
            return false;
        }
        std::vector<std::pair<std::string, std::unique_ptr<OutputFile>>> outputs;
        for (const std::string& name : onDisk) {
            const std::string& held = run.heldRecoveryFiles.at(name);
            outputs.emplace_back(name, createFree(targetDir + name, context));
            outputs.back().second->write(reinterpret_cast<const std::byte*>(held.data()),
                                         held.size());
        }
        // Named once all on the disk are complete; the list already holds their sums.
        for (auto& [name, file] : outputs) {
            run.named.push_back({targetDir + name, file->publish(pumpWhileWaiting(context))});
        }
    }
    return true;
}

std::int64_t recoveryListBytes(Context& context) {
    if (context.run().request.recovery == 0) {
        return 0;
    }
    const auto perPiece = slicesPerPiece(context.state.PieceSize);
    const par2::RecoverySet names(
        kRecoveryBase, {}, 4,
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(context.run().request.recovery) *
                                   perPiece),
        par2::kRecoveryMemory, static_cast<std::uint32_t>(perPiece));
    std::int64_t bytes = 0;
    for (const std::string& name : names.fileNames()) {
        bytes += static_cast<std::int64_t>(
            checksumLine(std::string(kHexDigestLength, '0'), name).size());
    }
    return bytes;
}

}  // namespace roruvez
