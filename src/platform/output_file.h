#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/open_directory.h"
#include "platform/posix_file.h"
#include "platform/write_back.h"

namespace roruvez {

// A piece or a joined file being written. It ends either kept under its final name, complete, or
// thrown away; never in between, and never in place of another file. The whole rule:
//
// - It is made in a directory held open (OpenDirectory), and publish() first checks that the
//   directory's name still leads there: a pulled stick or a re-used drive letter fails the output
//   rather than naming it on whatever disk now stands in that place.
// - Where the file system allows, the file has no name while it is written (O_TMPFILE), and
//   publish() gives it the final one with linkat, which refuses a name that exists. A killed
//   process leaves nothing.
// - Elsewhere (vfat, exFAT, FUSE mounts) it is written under a hidden name
//   ".roruvez-<pid>-<n>.part" in the same directory, created exclusively and locked (flock) for
//   as long as its writer holds it open. publish() renames it to the final name with a rename
//   that refuses to replace (renameat2 RENAME_NOREPLACE) or, where the flag is missing, links
//   the final name and removes the hidden one. Where the file system has neither (vfat and exFAT
//   through FUSE, SMB without Unix extensions, FUSE bridges to phones and shares) it reserves the
//   final name by creating it exclusively and renames the output over its own reservation. In
//   every way the file system decides who takes a name, whichever mount or machine asks, so two
//   jobs never both get one and a file that stood there is never replaced. Two gaps remain
//   against a program that is not ours. A plain rename of its own file over the reservation
//   before the output looks at the name again fails the output, and that file stays; one in the
//   instant between that look and the output's rename (two system calls apart) is replaced by
//   the output and lost, and nothing after the rename can tell. A kill between the reservation
//   and the rename leaves an empty file under the name, which a join reports as such. The first
//   output in a directory finds out which way works; the job's later outputs there start from
//   it.
// - No lock is ever waited for: each is tried once, and a job never blocks on another program's.
//   Whatever has been asked to stop the job is acted on right before a name is given, so a job
//   told to stop names nothing.
// - A hidden name goes (a discarded output, the hidden name after a link) while its descriptor
//   is still open: a FUSE file system then removes the file when it is released, instead of
//   leaving a ".fuse_hidden" copy of a file removed just after its close.
// - A hidden name is abandoned when a later job can take its lock: its writer has gone, whatever
//   pid namespace it ran in. On FUSE and network file systems a lock may not reach a writer
//   through another mount or machine, so there it must also have been unchanged for an hour
//   by the file system's own clock. That job removes it, once per directory, and only when it is
//   an ordinary file of its own user. Nothing else is ever removed.
// - On a removable medium the file is flushed before it gets its name and the directory after,
//   so that "Done!" and every disk prompt come after the data is on the medium. The medium is
//   kept writing while the file is written (WriteBack), so that flush has little left, and every
//   wait on the medium runs off the job's thread while whileWaiting keeps the events going.
// - When publish() fails after the name exists, the name is taken away again, if it is still
//   this file: a failure never leaves a name behind.
class OutputFile final : public PosixFile {
  public:
    // Fails with EEXIST when name is taken already.
    static std::unique_ptr<OutputFile> create(std::shared_ptr<const OpenDirectory> directory,
                                              const std::string& name, bool flush);
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Gives the complete file its final name and closes it; what it is under that name.
    // whileWaiting runs during the waits and once more right before the name is given.
    FileStatus publish(const WhileWaiting& whileWaiting = {});
    // The name publish() gives, in the same directory, when it is not yet given.
    void nameAs(std::string name) { name_ = std::move(name); }
    // Throws the file away; harmless once published or discarded. Throws when a hidden name
    // cannot be removed, also when it is no longer where it was made.
    void discard();
    // Whether it is flushed when published: it is on a removable medium.
    bool flushed() const { return flush_; }
    // Waits until the whole file is on the medium, then reads it back from there, past the page
    // cache, handing each block to sink. The file stays as it is.
    using ReadBackSink = std::function<void(const std::byte*, std::size_t)>;
    void readBack(const ReadBackSink& sink, const WhileWaiting& whileWaiting = {});
    // Before publish() a close discards.
    void close() override;

    std::size_t copyBlockSize() const override;
    void copied(const WhileWaiting& whileWaiting) override;
    void settle(const WhileWaiting& whileWaiting) override;
    std::int64_t notYetOnMedium() const override;

  private:
    OutputFile(int fd, std::shared_ptr<const OpenDirectory> directory, std::string name,
               std::string hiddenName, bool flush);
    void giveName();
    void renameOverReservation();
    void takeNameBack(const FileStatus& own);
    FileStatus asNamed(const FileStatus& own) const;
    bool directoryStillThere() const;
    std::int64_t writtenUpTo() const;

    std::shared_ptr<const OpenDirectory> directory_;
    std::string name_;
    // Empty for an unnamed file.
    std::string hiddenName_;
    bool flush_ = false;
    bool published_ = false;
    // Only where the file is flushed.
    std::optional<WriteBack> writeBack_;
};

}  // namespace roruvez
