#pragma once

#include <memory>
#include <string>

#include "platform/posix_file.h"

namespace roruvez {

// Where an output is written and where it goes once complete.
struct OutputPlace {
    std::string finalPath;
    std::string directory;
    // Empty for an unnamed file (O_TMPFILE); else a hidden name in directory.
    std::string temporaryPath;
    // On a removable medium: the file is flushed before it gets its name, the directory after.
    bool flush = false;
};

// A file that no one can take for a finished one until publish() names it. Closed or destroyed
// before that, it is discarded: an unnamed file vanishes with its descriptor, a hidden one is
// removed.
class PosixOutput final : public PosixFile {
  public:
    PosixOutput(int fd, OutputPlace place, CopyChoices& choices);
    ~PosixOutput() override;
    PosixOutput(const PosixOutput&) = delete;
    PosixOutput& operator=(const PosixOutput&) = delete;

    void publish() override;
    void close() override;

  private:
    void linkUnnamed();
    void discard();

    OutputPlace place_;
    bool published_ = false;
};

// Opens an output for finalPath in its directory: unnamed where the file system allows it, else
// under a hidden name that carries this process's id. Fails with EEXIST when the final name is
// taken already.
std::unique_ptr<OpenFile> createOutputFile(const std::string& finalPath, bool flush,
                                           CopyChoices& choices);

// The hidden name of a fallback output: ".roruvez-<pid>-<n>.part".
std::string temporaryOutputName(long pid, int attempt);

// The writer's process id when name is the hidden name of an output; 0 otherwise.
long writerOfTemporaryOutput(const std::string& name);

// Removes from directory the hidden outputs whose writer no longer runs: a process killed while
// writing leaves them behind. Best effort; failures are ignored.
void removeAbandonedOutputs(const std::string& directory);

}  // namespace roruvez
