#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/copy_choice.h"
#include "platform/open_file.h"

namespace roruvez {

class DriveTable;

// Names are as the job forms them: absolute paths, or drive-relative names such as "a:breldo.1"
// that resolve against the drive table. A name is used exactly as given, blanks and all.
class FileSystem {
  public:
    virtual ~FileSystem() = default;

    virtual std::string resolve(const std::string& name) = 0;
    // Any entry at all, links not followed. Throws when the lookup cannot be made: a drive not
    // ready, a missing directory, no permission.
    virtual bool entryExists(const std::string& name) = 0;
    // The directory search for an ordinary file: a regular file, not hidden. Directories, links,
    // devices and other special files are not found.
    virtual bool findFile(const std::string& name) = 0;
    virtual bool isDirectory(const std::string& name) = 0;
    virtual std::int64_t fileLength(const std::string& name) = 0;
    // Opens an ordinary file for reading; anything else fails before a byte is read. With
    // Links::Refuse a symbolic link under the name fails too, unfollowed.
    enum class Links { Follow, Refuse };
    virtual std::unique_ptr<OpenFile> openRead(const std::string& name,
                                               Links links = Links::Follow) = 0;
    // A file to be written under name: no one can take it for a finished file until its
    // publish() gives it the name, never replacing an entry. Closed unpublished, or left by a
    // process that was killed, it leaves nothing under any name a job would read. On a removable
    // medium publish() flushes it first and its directory after.
    virtual std::unique_ptr<OpenFile> createOutput(const std::string& name) = 0;
};

class LinuxFileSystem : public FileSystem {
  public:
    explicit LinuxFileSystem(DriveTable& drives);

    std::string resolve(const std::string& name) override;
    bool entryExists(const std::string& name) override;
    bool findFile(const std::string& name) override;
    bool isDirectory(const std::string& name) override;
    std::int64_t fileLength(const std::string& name) override;
    std::unique_ptr<OpenFile> openRead(const std::string& name,
                                       Links links = Links::Follow) override;
    std::unique_ptr<OpenFile> createOutput(const std::string& name) override;

  private:
    DriveTable& drives_;
    CopyChoices copyChoices_;
};

}  // namespace roruvez
