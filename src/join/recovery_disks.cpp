#include "join/recovery_disks.h"

#include <algorithm>
#include <vector>

#include "join/recovery_rebuild.h"
#include "platform/directory_listing.h"
#include "platform/error.h"
#include "text/text.h"

namespace roruvez {

namespace {

// A floppy's recovery files hold a piece's worth; a disk with far more holds none of them.
constexpr std::int64_t kLargestRecoveryDisk = std::int64_t{64} << 20;

// The recovery files of the set on the disk in the drive, breldo.par2 first.
std::vector<std::string> recoveryFilesOnDisk(const std::string& targetDir, Context& context) {
    const std::string base = toLowerAscii(context.state.PieceBaseName);
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : listDirectory(context.platform.files.resolve(targetDir))) {
        const std::string name = toLowerAscii(entry.name);
        if (!entry.directory && (name == base + "par2" ||
                                 (name.starts_with(base + "vol") && name.ends_with(".par2")))) {
            names.push_back(entry.name);
        }
    }
    std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        return std::make_pair(toLowerAscii(a) != base + "par2", a) <
               std::make_pair(toLowerAscii(b) != base + "par2", b);
    });
    return names;
}

std::string readWhole(const std::string& path, std::int64_t& budget, Context& context) {
    FileSystem& files = context.platform.files;
    const auto found = files.findFile(path);
    if (!found || found->length > budget) {
        throw PlatformError(path + " is not a recovery file of this set.", path);
    }
    budget -= found->length;
    const auto file = files.openRead(path, FileSystem::Links::Refuse);
    std::string bytes(static_cast<std::size_t>(found->length), '\0');
    file->readExact(reinterpret_cast<std::byte*>(bytes.data()), bytes.size());
    if (file->status().length != found->length) {
        throw PlatformError(path + " changed while it was read.", path);
    }
    return bytes;
}

// Takes the recovery files on the disk in the drive into held; why the disk adds nothing.
std::string takeDisk(const std::string& targetDir, const std::vector<std::int64_t>& pieceLengths,
                     std::vector<std::string>& held, Context& context) {
    JoinRecovery& recovery = *context.run().recovery;
    std::vector<std::string> names = recoveryFilesOnDisk(targetDir, context);
    if (names.empty()) {
        return "This disk holds no recovery file of this set.";
    }
    std::vector<std::string> fresh;
    std::vector<std::string> disk;
    std::int64_t budget = kLargestRecoveryDisk;
    for (const std::string& name : names) {
        // Another set's files have the same names: only the same bytes were read already.
        std::string bytes = readWhole(targetDir + name, budget, context);
        if (std::find(held.begin(), held.end(), bytes) == held.end()) {
            fresh.push_back(name);
            disk.push_back(std::move(bytes));
        }
    }
    names = std::move(fresh);
    if (names.empty()) {
        return "The recovery files on this disk were read already.";
    }
    std::string reason = describedByHeld(disk, recovery, context.state);
    if (reason.empty() && recovery.pieceLengths != pieceLengths) {
        recovery.set = {};
        reason = "its pieces are not as long as this set's";
    }
    if (!reason.empty()) {
        return targetDir + names.front() + " cannot be used: " + reason + ".";
    }
    for (std::size_t file = 0; file < names.size(); ++file) {
        held.push_back(std::move(disk[file]));
        context.surface.appendLog(targetDir + names[file]);
    }
    return {};
}

}  // namespace

bool rebuildFromRecoveryDisks(const std::string& targetDir,
                              const std::vector<std::int64_t>& pieceLengths,
                              const std::set<int>& skipped, Context& context) {
    JoinRecovery& recovery = context.run().recovery.emplace();
    recovery.path = targetDir + context.state.PieceBaseName + "par2";
    recovery.lost = skipped;
    std::vector<std::string> held;
    std::string why;
    for (;;) {
        const std::string prompt =
            (why.empty() ? "" : why + "\r\n") +
            (held.empty() ? "Please Insert the Floppy Disk with " + context.state.PieceBaseName +
                                "par2 (the first recovery disk) then press OK"
                          : "Please Insert the next recovery disk then press OK");
        if (context.surface.messageBox(prompt, Buttons::OkCancel) == Answer::Cancel) {
            return false;
        }
        context.platform.files.lookAgain();
        try {
            why = takeDisk(targetDir, pieceLengths, held, context);
        } catch (const PlatformError& failure) {
            why = failure.what();
        }
        if (why.empty() && !held.empty()) {
            const std::size_t needed = recoverySlicesNeeded(recovery);
            const std::size_t have = recoverySlicesHeld(held, recovery);
            if (have >= needed) {
                break;
            }
            why = "The recovery disks read hold " + std::to_string(have) + " of the " +
                  std::to_string(needed) + " recovery slices needed.";
        }
    }
    rebuildLostPiecesFrom(held, targetDir, context);
    return true;
}

}  // namespace roruvez
