#include "checks/md5.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <limits>

#include "platform/error.h"

namespace roruvez {

namespace {

[[noreturn]] void libcryptoFailed() {
    throw PlatformError(error_text::kSumFailed);
}

void start(EVP_MD_CTX* context) {
    if (EVP_DigestInit_ex(context, EVP_md5(), nullptr) != 1) {
        libcryptoFailed();
    }
}

}  // namespace

Md5::Md5() : context_(EVP_MD_CTX_new()) {
    if (context_ == nullptr) {
        libcryptoFailed();
    }
    try {
        start(context_);
    } catch (...) {
        EVP_MD_CTX_free(context_);
        throw;
    }
}

Md5::~Md5() {
    EVP_MD_CTX_free(context_);
}

void Md5::add(const std::byte* data, std::size_t size) {
    if (EVP_DigestUpdate(context_, data, size) != 1) {
        libcryptoFailed();
    }
}

Md5Digest Md5::finish() {
    Md5Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_, digest.data(), &length) != 1 || length != digest.size()) {
        libcryptoFailed();
    }
    start(context_);
    return digest;
}

Md5Digest md5Of(std::string_view bytes) {
    Md5 sum;
    sum.add(bytes);
    return sum.finish();
}

std::uint32_t crc32Of(const std::byte* data, std::size_t size, std::uint32_t crc) {
    // zlib takes at most an unsigned int at a time.
    constexpr std::size_t kPart = std::numeric_limits<unsigned int>::max();
    uLong value = crc;
    while (size > 0) {
        const std::size_t part = size < kPart ? size : kPart;
        value = ::crc32(value, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(part));
        data += part;
        size -= part;
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace roruvez
