#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace roruvez {

// A directory held open, so that the names a job makes in it are made in the directory it
// checked, even when its path comes to mean another one: a stick pulled and its mount point bare,
// a drive letter given to another disk, a directory moved away. Names in it are reached relative
// to the descriptor (the *at calls).
class OpenDirectory {
  public:
    // Says where the directory's name leads now; for a drive letter that is the drive table's
    // answer of the moment.
    using Whereabouts = std::function<std::string()>;

    // Opens the directory at path, following links; throws PlatformError.
    OpenDirectory(std::string path, Whereabouts whereabouts = {});
    ~OpenDirectory();
    OpenDirectory(const OpenDirectory&) = delete;
    OpenDirectory& operator=(const OpenDirectory&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    std::string pathOf(const std::string& name) const;

    // Throws unless the directory's name still leads to this directory on the same file system.
    void verify() const;
    // Where a user finds name in this directory now, for a message: its path, also after the
    // directory was moved, or words that say where it was. notUnderPath: the name is known not to
    // be under the directory's path, whatever the path seems to lead to (a path-based FUSE mount
    // shows whatever directory now stands there as this one).
    std::string whereNow(const std::string& name, bool notUnderPath = false) const;
    // Whether path leads to this directory, asked of the file system itself.
    bool isAt(const std::string& path) const;

    // Leftovers of killed writers are looked for once per directory and job.
    bool sweepDue() const { return !std::exchange(swept_, true); }

    // How outputs get their names here, best first (see OutputFile); the first output finds out
    // and the rest of the job's outputs start from what it found.
    enum class Naming { UnnamedFile, RenameNoReplace, HardLink, CheckedRename };
    Naming naming() const { return naming_; }
    void foundNaming(Naming naming) const { naming_ = naming; }

    // Whether the directory is on a removable medium, once someone has asked.
    std::optional<bool> removable() const { return removable_; }
    void foundRemovable(bool removable) const { removable_ = removable; }

    // The speed the medium was last seen to write at, bytes per second; 0 until an output here
    // measured it. Each output on a slow medium starts its pace from it (see WriteBack).
    double& writeSpeed() const { return writeSpeed_; }

  private:
    int fd_ = -1;
    std::string path_;
    Whereabouts whereabouts_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    mutable bool swept_ = false;
    mutable Naming naming_ = Naming::UnnamedFile;
    mutable std::optional<bool> removable_;
    mutable double writeSpeed_ = 0;
};

}  // namespace roruvez
