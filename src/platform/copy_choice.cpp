#include "platform/copy_choice.h"

#include <algorithm>

namespace roruvez {

namespace {

int index(CopyWay way) {
    return way == CopyWay::Kernel ? 1 : 0;
}

}  // namespace

CopyWay CopyChoice::next() const {
    if (kernelRefused_) {
        return CopyWay::Buffer;
    }
    if (settled_) {
        return chosen_;
    }
    return turn_ % 2 == 0 ? CopyWay::Buffer : CopyWay::Kernel;
}

void CopyChoice::took(CopyWay way, std::size_t bytes, std::size_t wholeBlock,
                      std::int64_t nanoseconds) {
    if (settled()) {
        return;
    }
    ++turn_;
    if (bytes != wholeBlock) {
        return;
    }
    const int i = index(way);
    ++tries_[i];
    best_[i] = std::min(best_[i], nanoseconds);
    if (tries_[0] >= kTries && tries_[1] >= kTries) {
        settled_ = true;
        chosen_ = best_[1] < best_[0] ? CopyWay::Kernel : CopyWay::Buffer;
    }
}

CopyChoice& CopyChoices::between(std::uint64_t fromDevice, std::uint64_t toDevice) {
    for (auto& entry : entries_) {
        if (entry.from == fromDevice && entry.to == toDevice) {
            return entry.choice;
        }
    }
    entries_.push_back({fromDevice, toDevice, {}});
    return entries_.back().choice;
}

}  // namespace roruvez
