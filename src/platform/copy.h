#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace roruvez {

class OpenFile;

// Reads exactly size bytes. A file that ends sooner (it shrank or vanished while the job ran) is
// a failure, never a block filled up with zeros.
void readExact(OpenFile& from, std::byte* data, std::size_t size);

// Copies exactly count bytes from the current position of one file to the other, through a
// bounded buffer or in the kernel, calling progress with the bytes done after each block.
// A source that ends early is a failure.
void copyExact(OpenFile& from, OpenFile& to, std::int64_t count, std::vector<std::byte>& buffer,
               const std::function<void(std::int64_t)>& progress = {});

}  // namespace roruvez
