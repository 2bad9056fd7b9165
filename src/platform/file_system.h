#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/open_directory.h"
#include "platform/open_file.h"
#include "platform/output_file.h"

namespace roruvez {

class DriveTable;

// Names are as the job forms them: absolute paths, or drive-relative names such as "a:breldo.1"
// that resolve against the drive table. A name is used exactly as given, blanks and all.
//
// A job pins the directory it writes to (pin()): from then on every name directly in it is
// reached through that directory, held open, and a use after the directory's name has come to
// lead elsewhere (a stick pulled, a letter given to another disk) fails as a disk failure does.
//
// One class, no interface: tests give it their own drive table and make its system calls fail
// through libfiu, so nothing here needs faking.
class FileSystem {
  public:
    explicit FileSystem(DriveTable& drives);

    std::string resolve(const std::string& name);
    // Any entry at all, links not followed. Throws when the lookup cannot be made: a drive not
    // ready, a missing directory, no permission.
    bool entryExists(const std::string& name);
    // The directory search for an ordinary file: a regular file, not hidden, not behind a link.
    // Its status when found; nothing for directories, links, devices and other special files.
    std::optional<FileStatus> findFile(const std::string& name);
    bool isDirectory(const std::string& name);
    std::int64_t fileLength(const std::string& name);
    // What the name leads to now, links followed; nothing when there is no such file.
    std::optional<FileStatus> statusOf(const std::string& name);
    // What stands under the name now, links not followed, its path looked up from the root and
    // never through the pinned directory: what a user would find there. Nothing when it is gone.
    std::optional<FileStatus> findAgain(const std::string& name);
    // Opens an ordinary file for reading; anything else fails before a byte is read. With
    // Links::Refuse a symbolic link under the name fails too, unfollowed.
    enum class Links { Follow, Refuse };
    std::unique_ptr<OpenFile> openRead(const std::string& name, Links links = Links::Follow);
    // Removes the ordinary file under name if it is still the file own describes, unchanged;
    // false, removing nothing, when it is not.
    bool removeIfUnchanged(const std::string& name, const FileStatus& own);
    // A file to be written under name, as OutputFile describes; on a removable medium it is
    // flushed when published.
    std::unique_ptr<OutputFile> createOutput(const std::string& name);

    // Pins the directory a prefix names ("/data/", "a:"): opened at its first use, which fails
    // as any lookup does when it cannot, and held until unpin(). A prefix that does not end in a
    // separator or a drive's colon pins nothing.
    void pin(const std::string& prefix);
    // A new disk may be in the drive: the next use opens the directory anew, and pins that.
    void lookAgain();
    void unpin();

  private:
    // Where a name is reached: in the pinned directory by its last name, else by its path.
    struct Place {
        std::shared_ptr<const OpenDirectory> directory;  // the pin, or none
        std::string name;                                // relative to it, or the whole path
        int at() const;
        std::string path() const;
    };
    // verify: check first that a pinned directory's name still leads to it.
    Place locate(const std::string& name, bool verify = true);
    std::shared_ptr<const OpenDirectory> openDirectory(const std::string& prefix);

    DriveTable& drives_;
    std::optional<std::string> pinned_;
    std::shared_ptr<const OpenDirectory> pinnedDirectory_;
};

// Holds a job's pin for as long as the job runs.
class DirectoryPin {
  public:
    explicit DirectoryPin(FileSystem& files) : files_(files) {}
    ~DirectoryPin() { files_.unpin(); }
    DirectoryPin(const DirectoryPin&) = delete;
    DirectoryPin& operator=(const DirectoryPin&) = delete;

  private:
    FileSystem& files_;
};

}  // namespace roruvez
