#include "state/job_state.h"

namespace roruvez {

namespace {

template <class File>
void closeQuietly(std::unique_ptr<File>& slot) {
    if (!slot) {
        return;
    }
    try {
        slot->close();
    } catch (const std::exception&) {
        // A job that starts must not fail on what the previous one left behind.
    }
    slot.reset();
}

}  // namespace

void JobState::closeAllFiles() {
    closeQuietly(File2);
    closeQuietly(File1);
}

void JobState::discardOutput() {
    closeQuietly(File2);
}

}  // namespace roruvez
