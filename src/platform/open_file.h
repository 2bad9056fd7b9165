#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/blocking_call.h"

namespace roruvez {

// Called with the bytes of the copy that have reached the target's medium, after every block and
// while the copy waits for the medium. Below 0 while bytes written to the target before the copy
// have not reached it either.
using CopyProgress = std::function<void(std::int64_t)>;

// The most a copy holds in memory at once, and the block it starts with. It stays in the
// processor's cache, which is what makes a copy through memory fast.
inline constexpr std::size_t kCopyBlock = std::size_t{256} << 10;
// The most bytes between two progress calls. Where a copy that went at the page cache's pace
// meets a slow medium (the part of a stick's file not in memory), one block of it takes this
// long at that medium's speed before blocks shrink: 70 ms at 30 MB/s.
inline constexpr std::size_t kLargestCopyBlock = std::size_t{2} << 20;

// Sees every byte a copy moves, in blocks of its own that the copy reads into: a copy through a
// tap that wants the bytes runs through memory, never in the kernel.
class CopyTap {
  public:
    virtual ~CopyTap() = default;
    virtual bool wanted() const = 0;
    // Room for kCopyBlock bytes.
    virtual std::byte* block() = 0;
    // The block last given holds size bytes of the copy.
    virtual void filled(std::size_t size) = 0;
};

// What the copies of one job carry from one to the next.
struct CopyBuffer {
    // What a copy goes through where the kernel cannot copy; at most kCopyBlock.
    std::vector<std::byte> bytes;
    // The size of the next block. Each block costs a system call or two and a progress call, and
    // at the page cache's pace one of kCopyBlock is over in a tenth of a millisecond; so blocks
    // grow while they are quick and shrink when the files slow down, which keeps progress calls
    // a few milliseconds apart on any medium.
    std::size_t blockSize = kCopyBlock;
};

// Which file a name or a descriptor stands for, and its length then.
struct FileStatus {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t length = 0;
    // Nanoseconds since the epoch, as the file system keeps them: the data's last change, and
    // the last change of anything about the file (a rename too, on most file systems).
    std::int64_t modified = 0;
    std::int64_t changed = 0;

    bool sameFile(const FileStatus& other) const {
        return device == other.device && inode == other.inode;
    }
    // The same file, as long and as old.
    bool unchangedFrom(const FileStatus& other) const {
        return sameFile(other) && length == other.length && modified == other.modified;
    }
    // Not even written to with its times set back: what a file being read must stay.
    bool untouchedSince(const FileStatus& other) const {
        return unchangedFrom(other) && changed == other.changed;
    }
};

// An open file of one of the job's file slots. Every failure throws PlatformError.
class OpenFile {
  public:
    virtual ~OpenFile() = default;
    // Reads up to size bytes; fewer only at the end of the file.
    virtual std::size_t read(std::byte* data, std::size_t size) = 0;
    // Writes all of the bytes or throws.
    virtual void write(const std::byte* data, std::size_t size) = 0;
    // Copies exactly count bytes from the current position to the end of what was written to
    // `to`, leaving this file after them. The kernel copies while it can (copy_file_range); once
    // it cannot between these two files, buffer copies the rest. When it returns, the bytes are
    // on `to`'s medium as far as `to` promises that. A tap that wants the bytes sees them all.
    void copyTo(OpenFile& to, std::int64_t count, CopyBuffer& buffer,
                const CopyProgress& progress = {}, CopyTap* tap = nullptr);
    // The most bytes a copy writes to this file between two calls of copied().
    virtual std::size_t copyBlockSize() const { return kLargestCopyBlock; }
    // A copy wrote a block to this file. A flushed output keeps its medium writing here.
    virtual void copied(const WhileWaiting& /*whileWaiting*/) {}
    // Waits until what was written is on the medium.
    virtual void settle(const WhileWaiting& /*whileWaiting*/) {}
    // Bytes written to this file and not yet known to be on its medium.
    virtual std::int64_t notYetOnMedium() const { return 0; }
    // What the descriptor has open, measured now.
    virtual FileStatus status() const = 0;
    // Closing twice is harmless; a failed close throws once.
    virtual void close() = 0;
    virtual const std::string& path() const = 0;

    // Reads exactly size bytes. A file that ends sooner (it shrank or vanished while the job ran)
    // is a failure, never a block filled up with zeros.
    void readExact(std::byte* data, std::size_t size);
    // The same from offset, wherever the file's position is; it stays there.
    void readExactAt(std::byte* data, std::size_t size, std::int64_t offset);
    // Writes all of the bytes at offset, wherever the file's position is, or throws.
    void writeAt(const std::byte* data, std::size_t size, std::int64_t offset);

  protected:
    // The descriptor the kernel can copy from or to; -1 for a file it cannot.
    virtual int descriptor() const { return -1; }

  private:
    // Copies size bytes through buffer, kCopyBlock at a time, or through the tap's blocks.
    void copyThrough(OpenFile& to, std::size_t size, CopyBuffer& buffer, CopyTap* tap);
    // Has the kernel copy up to size bytes; fewer only once it cannot copy between these files.
    std::size_t copyInKernel(OpenFile& to, std::size_t size);
    // After each block of a copy to `to`, done bytes of it written.
    static void blockCopied(OpenFile& to, std::int64_t done, const CopyProgress& progress);
    // After the last block.
    static void copyEnded(OpenFile& to, std::int64_t count, const CopyProgress& progress);
};

}  // namespace roruvez
