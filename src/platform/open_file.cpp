#include "platform/open_file.h"

#include <algorithm>
#include <cerrno>

#include "platform/error.h"

namespace roruvez {

void OpenFile::readExact(std::byte* data, std::size_t size) {
    if (read(data, size) != size) {
        throw PlatformError(error_text::kInputPastEnd, path());
    }
}

void OpenFile::copyBlock(OpenFile& to, std::size_t size, std::vector<std::byte>& buffer) {
    buffer.resize(size);
    readExact(buffer.data(), size);
    to.write(buffer.data(), size);
}

void OpenFile::copyTo(OpenFile& to, std::int64_t count, std::vector<std::byte>& buffer,
                      const CopyProgress& progress) {
    std::int64_t done = 0;
    while (done < count) {
        const auto block = static_cast<std::size_t>(
            std::min<std::int64_t>(count - done, static_cast<std::int64_t>(kCopyBlock)));
        copyBlock(to, block, buffer);
        done += static_cast<std::int64_t>(block);
        if (progress) {
            progress(done);
        }
    }
}

}  // namespace roruvez
