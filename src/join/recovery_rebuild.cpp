#include "join/recovery_rebuild.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "checks/md5.h"
#include "checks/recovery_data.h"
#include "checks/sha256.h"
#include "format/piece_format.h"
#include "platform/directory_listing.h"
#include "platform/error.h"
#include "state/failure_texts.h"
#include "text/text.h"

namespace roruvez {

namespace {

constexpr std::size_t kReadBlock = std::size_t{1} << 20;
// breldo.par2 holds the set's description alone: a few MiB for the largest set.
constexpr std::uint64_t kLargestDescription = std::uint64_t{16} << 20;

// The recovery files as one reader of a set: opened beside the pieces, or held whole as read
// from disks.
struct SetFiles {
    std::vector<std::uint64_t> lengths;
    std::function<void(std::size_t file, std::uint64_t offset, std::byte* data, std::size_t size)>
        readAt;

    std::size_t read(std::size_t file, std::uint64_t offset, std::byte* data, std::size_t size) {
        const auto part = static_cast<std::size_t>(
            std::min<std::uint64_t>(size, lengths.at(file) - std::min(offset, lengths[file])));
        readAt(file, offset, data, part);
        return part;
    }
    std::optional<par2::ReadRecoverySet> readSet() {
        return par2::readRecoverySet(
            lengths, [this](std::size_t file, std::uint64_t offset, std::byte* data,
                            std::size_t size) { return read(file, offset, data, size); });
    }
};

SetFiles openSetFiles(const std::vector<std::string>& paths, Context& context) {
    auto files = std::make_shared<std::vector<std::unique_ptr<OpenFile>>>();
    SetFiles opened;
    for (const std::string& path : paths) {
        // Never through a link: it could lead anywhere.
        files->push_back(context.platform.files.openRead(path, FileSystem::Links::Refuse));
        opened.lengths.push_back(static_cast<std::uint64_t>(files->back()->status().length));
    }
    opened.readAt = [files](std::size_t file, std::uint64_t offset, std::byte* data,
                            std::size_t size) {
        (*files)[file]->readExactAt(data, size, static_cast<std::int64_t>(offset));
    };
    return opened;
}

// The caller keeps the held files while the reader is used.
SetFiles heldSetFiles(const std::vector<std::string>& held) {
    SetFiles files;
    for (const std::string& bytes : held) {
        files.lengths.push_back(bytes.size());
    }
    files.readAt = [&held](std::size_t file, std::uint64_t offset, std::byte* data,
                           std::size_t size) {
        std::copy_n(reinterpret_cast<const std::byte*>(held[file].data() + offset), size, data);
    };
    return files;
}

// Why the set does not describe pieces of a set; empty when it does, with their lengths taken.
std::string notThePieces(const par2::ReadRecoverySet& set, JoinRecovery& recovery) {
    const std::size_t count = set.ids.size();
    if (count == 0 || count > static_cast<std::size_t>(kMaxPieces) || set.files.size() != count) {
        return "it does not describe every piece";
    }
    recovery.pieceLengths.assign(count, -1);
    for (const auto& [id, file] : set.files) {
        const auto number = pieceNumberOf(file.name);
        if (!number || *number > static_cast<int>(count) ||
            recovery.pieceLengths[static_cast<std::size_t>(*number - 1)] >= 0 ||
            file.length > static_cast<std::uint64_t>(kLargestPieceSize)) {
            return "it describes files that are not this set's pieces";
        }
        recovery.pieceLengths[static_cast<std::size_t>(*number - 1)] =
            static_cast<std::int64_t>(file.length);
    }
    return recovery.pieceLengths[0] <= kHeaderLength ? "its first piece holds no header"
                                                     : std::string();
}

// Why the set does not describe the pieces the header does; empty when it does.
std::string disagreement(const par2::ReadRecoverySet& set, JoinRecovery& recovery,
                         const JobState& state) {
    std::string reason = notThePieces(set, recovery);
    if (!reason.empty()) {
        return reason;
    }
    std::int64_t total = 0;
    for (const std::int64_t length : recovery.pieceLengths) {
        total += length;
    }
    const auto recorded = readSizeField(state.PieceHeader.OrigSize);
    if (!recorded || total - kHeaderLength != *recorded) {
        return "its pieces do not add up to the size in the header";
    }
    return {};
}

// Where each lost piece's slices are among the set's constants, in the set's order.
struct LostSlices {
    std::vector<std::uint32_t> indexes;
    // By piece number: the index of its first slice.
    std::map<int, std::uint32_t> firstIndex;
};

LostSlices lostSlicesOf(const JoinRecovery& recovery) {
    LostSlices lost;
    std::uint32_t index = 0;
    for (const Md5Digest& id : recovery.set.ids) {
        const par2::InputFile& file = recovery.set.files.at(id);
        const int number = *pieceNumberOf(file.name);
        lost.firstIndex[number] = index;
        for (std::size_t slice = 0; slice < file.slices.size(); ++slice, ++index) {
            if (recovery.lost.contains(number)) {
                lost.indexes.push_back(index);
            }
        }
    }
    return lost;
}

// Where piece number's byte 0 would lie in the restored file, which holds all of it but piece
// 1's header.
std::int64_t pieceOffset(const JoinRecovery& recovery, int number) {
    std::int64_t offset = -kHeaderLength;
    for (int before = 1; before < number; ++before) {
        offset += recovery.pieceLengths[static_cast<std::size_t>(before - 1)];
    }
    return offset;
}

// Bytes [at, at + size) of piece number as restored: piece 1's header, then its data.
void readRestored(const JoinRecovery& recovery, int number, std::int64_t at, std::byte* data,
                  std::size_t size, const JobState& state) {
    if (number == 1 && at < kHeaderLength) {
        const auto header = static_cast<std::size_t>(
            std::min<std::int64_t>(kHeaderLength - at, static_cast<std::int64_t>(size)));
        std::copy_n(reinterpret_cast<const std::byte*>(state.CheckedHeader.data() + at), header,
                    data);
        data += header;
        size -= header;
        at += static_cast<std::int64_t>(header);
    }
    state.File2->readExactAt(data, size, pieceOffset(recovery, number) + at);
}

// Reads bytes [at, at + size) of a sound piece, the pieces read in order and each from its start.
using ReadPieceAt =
    std::function<void(int number, std::int64_t at, std::byte* data, std::size_t size)>;

// Every slice of the pieces at hand is taken out of the recovery slices, which leaves what the
// lost ones add up to.
void addSoundSlices(const JoinRecovery& recovery, const LostSlices& lost, RecoveryData& data,
                    const ReadPieceAt& readPiece, Context& context) {
    std::vector<std::byte> block(kReadBlock);
    const std::uint64_t sliceSize = recovery.set.sliceSize;
    for (const auto& [number, first] : lost.firstIndex) {
        if (recovery.lost.contains(number)) {
            continue;
        }
        const std::int64_t length = recovery.pieceLengths[static_cast<std::size_t>(number - 1)];
        for (std::int64_t at = 0; at < length;) {
            const auto slice = static_cast<std::uint64_t>(at) / sliceSize;
            const auto inSlice = static_cast<std::uint64_t>(at) % sliceSize;
            // A block ends where its slice does.
            const auto size = static_cast<std::size_t>(
                std::min({static_cast<std::uint64_t>(block.size()),
                          static_cast<std::uint64_t>(length - at), sliceSize - inSlice}));
            readPiece(number, at, block.data(), size);
            data.addPart(first + static_cast<std::uint32_t>(slice),
                         static_cast<std::size_t>(inSlice), block.data(), size);
            at += static_cast<std::int64_t>(size);
            context.surface.pumpEvents();
        }
    }
}

// breldo.par2 in the set's own spelling when it is there, else in lower case.
std::string recoveryIndexPath(const std::string& targetDir, Context& context) {
    const std::string spelled = targetDir + context.state.PieceBaseName + "par2";
    return context.platform.files.findFile(spelled) ? spelled : targetDir + kPieceBaseName + "par2";
}

}  // namespace

void readRecoveryBeside(const std::string& targetDir, Context& context) {
    JobState& state = context.state;
    const std::string path = recoveryIndexPath(targetDir, context);
    if (!context.platform.files.findFile(path)) {
        return;
    }
    JoinRecovery recovery;
    recovery.path = path;
    SetFiles opened = openSetFiles({path}, context);
    const auto set = opened.lengths[0] <= kLargestDescription
                         ? opened.readSet()
                         : std::optional<par2::ReadRecoverySet>{};
    const std::string reason =
        set ? disagreement(*set, recovery, state) : "it holds no sound recovery set";
    if (!reason.empty()) {
        context.surface.appendLog(path + ": " + error_text::kRecoveryNotUsed + reason);
        return;
    }
    recovery.set = *set;
    context.run().recovery = std::move(recovery);
}

namespace {

// Every recovery file of the set beside the pieces: breldo.par2 and its volumes.
std::vector<std::string> recoveryFilePaths(const std::string& targetDir, const std::string& main,
                                           Context& context) {
    std::vector<std::string> paths{main};
    const std::string base =
        toLowerAscii(main.substr(targetDir.size(), main.size() - targetDir.size() - 4));
    for (const DirectoryEntry& entry : listDirectory(context.platform.files.resolve(targetDir))) {
        const std::string name = toLowerAscii(entry.name);
        if (!entry.directory && name.starts_with(base + "vol") && name.ends_with(".par2")) {
            paths.push_back(targetDir + entry.name);
        }
    }
    return paths;
}

[[noreturn]] void throwNotRebuilt(const std::string& targetDir, const JoinRecovery& recovery,
                                  std::size_t needed, std::size_t found, const JobState& state) {
    std::vector<std::string> pieces;
    for (const int number : recovery.lost) {
        pieces.push_back(pieceName(targetDir, number, state.PieceBaseName));
    }
    throw PlatformError(error_text::kPiecesNotRebuilt, recovery.path)
        .concerning(pieces, error_text::kPieceLostNote,
                    "The recovery files hold " + std::to_string(found) + " of the " +
                        std::to_string(needed) + " recovery slices needed.");
}

// The recovery files of the set beside the pieces, opened, and what they say together.
struct RecoveryFiles {
    SetFiles opened;
    par2::ReadRecoverySet set;
};

// What all the files say, when it is of the set already read.
RecoveryFiles withWholeSet(SetFiles opened, const JoinRecovery& recovery) {
    RecoveryFiles files{std::move(opened), recovery.set};
    auto full = files.opened.readSet();
    if (full && full->setId == recovery.set.setId) {
        files.set = std::move(*full);
    }
    return files;
}

// The lost pieces' slices, in the set's order, solved from the recovery slices and the sound
// pieces' bytes.
std::vector<std::vector<std::byte>> rebuiltSlices(const std::string& targetDir,
                                                  const JoinRecovery& recovery,
                                                  RecoveryFiles& files,
                                                  const ReadPieceAt& readPiece, Context& context) {
    const LostSlices lost = lostSlicesOf(recovery);
    const auto& available = files.set.recovery;
    if (available.size() < lost.indexes.size()) {
        throwNotRebuilt(targetDir, recovery, lost.indexes.size(), available.size(), context.state);
    }
    std::vector<std::uint32_t> exponents;
    for (const auto& [exponent, at] : available) {
        if (exponents.size() < lost.indexes.size()) {
            exponents.push_back(exponent);
        }
    }
    const auto sliceSize = static_cast<std::size_t>(recovery.set.sliceSize);
    RecoveryData data(sliceSize, exponents);
    for (std::uint32_t k = 0; k < data.count(); ++k) {
        const par2::RecoverySliceAt at = available.at(exponents[k]);
        if (files.opened.read(at.file, at.offset, data.slice(k).data(), sliceSize) != sliceSize) {
            throw PlatformError(error_text::kInputPastEnd, recovery.path);
        }
    }
    addSoundSlices(recovery, lost, data, readPiece, context);
    return data.lostSlices(lost.indexes);
}

// Each lost piece, whole, from its rebuilt slices, in the set's order.
template <class Use>
void forEachRebuilt(const JoinRecovery& recovery,
                    const std::vector<std::vector<std::byte>>& rebuilt, Use&& use) {
    std::size_t first = 0;
    for (const Md5Digest& id : recovery.set.ids) {
        const par2::InputFile& file = recovery.set.files.at(id);
        const int number = *pieceNumberOf(file.name);
        if (!recovery.lost.contains(number)) {
            continue;
        }
        std::string bytes;
        for (std::size_t slice = 0; slice < file.slices.size(); ++slice) {
            const auto& data = rebuilt[first + slice];
            bytes.append(reinterpret_cast<const char*>(data.data()), data.size());
        }
        bytes.resize(static_cast<std::size_t>(file.length));
        first += file.slices.size();
        use(number, file, bytes);
    }
}

// Whether the rebuilt piece is the one the set and the list describe.
bool rebuiltSound(int number, const par2::InputFile& file, const std::string& bytes,
                  Context& context) {
    const auto listed = context.run().listedDigests.find(number);
    Sha256 sum;
    sum.add(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
    return md5Of(bytes) == file.hash &&
           (listed == context.run().listedDigests.end() || listed->second.size() != 64 ||
            sum.finish() == listed->second) &&
           (number != 1 || bytes.compare(0, kHeaderLength, context.state.CheckedHeader) == 0);
}

// A piece found damaged while the pieces at hand are read for piece 1.
struct DamagedPiece {
    int number;
};

// Reads the sound pieces from their own files, each checked against the set's MD5 as its last
// byte is read.
class PieceFileReader {
  public:
    PieceFileReader(const std::string& targetDir, const JoinRecovery& recovery, Context& context)
        : targetDir_(targetDir), recovery_(recovery), context_(context) {
        for (const auto& [id, file] : recovery.set.files) {
            hashes_[*pieceNumberOf(file.name)] = file.hash;
        }
    }

    void operator()(int number, std::int64_t at, std::byte* data, std::size_t size) {
        if (number != number_) {
            const std::string path = pieceName(targetDir_, number, context_.state.PieceBaseName);
            piece_ = context_.platform.files.openRead(path, FileSystem::Links::Refuse);
            number_ = number;
        }
        piece_->readExactAt(data, size, at);
        sum_.add(data, size);
        const std::int64_t length = recovery_.pieceLengths[static_cast<std::size_t>(number - 1)];
        if (at + static_cast<std::int64_t>(size) == length) {
            if (sum_.finish() != hashes_.at(number)) {
                throw DamagedPiece{number};
            }
        }
    }

  private:
    const std::string& targetDir_;
    const JoinRecovery& recovery_;
    Context& context_;
    int number_ = 0;
    std::unique_ptr<OpenFile> piece_;
    Md5 sum_;
    std::map<int, Md5Digest> hashes_;
};

}  // namespace

namespace {

void rebuildFrom(RecoveryFiles& files, const std::string& targetDir, Context& context) {
    const JoinRecovery& recovery = *context.run().recovery;
    const auto rebuilt = rebuiltSlices(
        targetDir, recovery, files,
        [&](int number, std::int64_t at, std::byte* data, std::size_t size) {
            readRestored(recovery, number, at, data, size, context.state);
        },
        context);
    forEachRebuilt(
        recovery, rebuilt, [&](int number, const par2::InputFile& file, const std::string& bytes) {
            const std::string piecePath = pieceName(targetDir, number, context.state.PieceBaseName);
            if (!rebuiltSound(number, file, bytes, context)) {
                throw PlatformError(error_text::kRebuiltDiffers, piecePath);
            }
            const std::size_t skip = number == 1 ? kHeaderLength : 0;
            context.state.File2->writeAt(
                reinterpret_cast<const std::byte*>(bytes.data() + skip), bytes.size() - skip,
                pieceOffset(recovery, number) + static_cast<std::int64_t>(skip));
            context.surface.appendLog(piecePath + ": " + error_text::kPieceRebuiltNote);
        });
}

}  // namespace

void rebuildLostPieces(const std::string& targetDir, Context& context) {
    JobRun& run = context.run();
    if (!run.recovery || run.recovery->lost.empty()) {
        return;
    }
    RecoveryFiles files = withWholeSet(
        openSetFiles(recoveryFilePaths(targetDir, run.recovery->path, context), context),
        *run.recovery);
    rebuildFrom(files, targetDir, context);
}

std::string describedByHeld(const std::vector<std::string>& held, JoinRecovery& recovery,
                            const JobState& state) {
    const auto set = heldSetFiles(held).readSet();
    if (!set) {
        return "it holds no sound recovery set";
    }
    if (!recovery.set.ids.empty()) {
        return set->setId == recovery.set.setId ? std::string() : "it is of another set";
    }
    std::string reason = disagreement(*set, recovery, state);
    if (reason.empty()) {
        recovery.set = *set;
    }
    return reason;
}

std::size_t recoverySlicesHeld(const std::vector<std::string>& held, const JoinRecovery& recovery) {
    auto files = heldSetFiles(held);
    return withWholeSet(std::move(files), recovery).set.recovery.size();
}

std::size_t recoverySlicesNeeded(const JoinRecovery& recovery) {
    return lostSlicesOf(recovery).indexes.size();
}

void rebuildLostPiecesFrom(const std::vector<std::string>& held, const std::string& targetDir,
                           Context& context) {
    RecoveryFiles files = withWholeSet(heldSetFiles(held), *context.run().recovery);
    rebuildFrom(files, targetDir, context);
}

std::string rebuiltHeader(const std::string& targetDir, Context& context) {
    JoinRecovery recovery;
    recovery.path = recoveryIndexPath(targetDir, context);
    auto set = openSetFiles({recovery.path}, context).readSet();
    const std::string reason =
        set ? notThePieces(*set, recovery) : "it holds no sound recovery set";
    if (!reason.empty()) {
        throw PlatformError(recovery.path + ": " + error_text::kRecoveryNotUsed + reason,
                            recovery.path);
    }
    recovery.set = std::move(*set);
    for (int number = 1; number <= static_cast<int>(recovery.pieceLengths.size()); ++number) {
        const auto piece = context.platform.files.findFile(
            pieceName(targetDir, number, context.state.PieceBaseName));
        if (!piece ||
            piece->length != recovery.pieceLengths[static_cast<std::size_t>(number - 1)]) {
            recovery.lost.insert(number);
        }
    }
    RecoveryFiles files = withWholeSet(
        openSetFiles(recoveryFilePaths(targetDir, recovery.path, context), context), recovery);
    // A piece found damaged joins the lost ones, and the solving starts again.
    for (;;) {
        try {
            PieceFileReader reader(targetDir, recovery, context);
            const auto rebuilt =
                rebuiltSlices(targetDir, recovery, files, std::ref(reader), context);
            std::string header;
            forEachRebuilt(recovery, rebuilt,
                           [&](int number, const par2::InputFile& file, const std::string& bytes) {
                               if (number == 1 && md5Of(bytes) == file.hash) {
                                   header = bytes.substr(0, kHeaderLength);
                               }
                           });
            if (header.empty()) {
                throw PlatformError(error_text::kRebuiltDiffers,
                                    pieceName(targetDir, 1, context.state.PieceBaseName));
            }
            return header;
        } catch (const DamagedPiece& damaged) {
            recovery.lost.insert(damaged.number);
        }
    }
}

}  // namespace roruvez
