#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace roruvez {

// What is computed over a stream of bytes fed in parts: a checksum, a digest.
class StreamSum {
  public:
    virtual ~StreamSum() = default;
    virtual void add(const std::byte* data, std::size_t size) = 0;
    // The result for everything added, as text; the sum starts anew after it.
    virtual std::string finish() = 0;
};

using MakeStreamSum = std::function<std::unique_ptr<StreamSum>()>;

}  // namespace roruvez
