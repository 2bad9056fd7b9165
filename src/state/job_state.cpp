#include "state/job_state.h"

#include "platform/error.h"

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

std::optional<std::string> JobState::discardOutput() {
    if (!File2) {
        return std::nullopt;
    }
    std::optional<std::string> leftOver;
    try {
        File2->close();
    } catch (const PlatformError& failure) {
        leftOver =
            "The unfinished copy " + failure.path() + " could not be removed: " + failure.what();
    }
    File2.reset();
    return leftOver;
}

void JobState::failOutput() {
    const std::optional<std::string> leftOver = discardOutput();
    try {
        throw;
    } catch (PlatformError& failure) {
        if (leftOver) {
            failure.leaving(*leftOver);
        }
        throw;
    } catch (const std::exception& failure) {
        PlatformError wrapped(failure.what());
        if (leftOver) {
            wrapped.leaving(*leftOver);
        }
        throw wrapped;
    }
}

}  // namespace roruvez
