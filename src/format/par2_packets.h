#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checks/md5.h"

namespace roruvez::par2 {

// The packets of a PAR2 recovery set (the public PAR 2.0 format): each is a
// header (magic, length, the MD5 of what follows, the recovery set's ID, the type) and a body,
// all little-endian and four-byte aligned. What PAR2 clients write byte for byte alike is written
// so here too.

// One input file as the set describes it.
struct InputFile {
    std::string name;
    std::uint64_t length = 0;
    Md5Digest hash{};     // of the whole file
    Md5Digest hash16k{};  // of its first 16 KiB
    // The MD5 and CRC-32 of each slice, zeros padding the last.
    std::vector<std::pair<Md5Digest, std::uint32_t>> slices;

    // The file's ID: the MD5 of hash16k, the length and the name.
    Md5Digest id() const;
};

inline constexpr std::size_t kHeaderBytes = 64;
inline constexpr std::string_view kMagic{"PAR2\0PKT", 8};
inline constexpr std::string_view kMainType{"PAR 2.0\0Main\0\0\0\0", 16};
inline constexpr std::string_view kFileDescriptionType{"PAR 2.0\0FileDesc", 16};
inline constexpr std::string_view kSliceChecksumType{"PAR 2.0\0IFSC\0\0\0\0", 16};
inline constexpr std::string_view kRecoverySliceType{"PAR 2.0\0RecvSlic", 16};
inline constexpr std::string_view kCreatorType{"PAR 2.0\0Creator\0", 16};
inline constexpr std::size_t k16k = 16384;

// The main packet's body: the slice size and the files' IDs in ascending order. Its MD5 is the
// set's ID.
std::string mainBody(std::uint64_t sliceSize, std::vector<Md5Digest> ids);

std::string mainPacket(const Md5Digest& setId, const std::string& body);
std::string fileDescriptionPacket(const Md5Digest& setId, const InputFile& file);
std::string sliceChecksumPacket(const Md5Digest& setId, const InputFile& file);
std::string creatorPacket(const Md5Digest& setId, std::string_view creator);
std::string recoverySlicePacket(const Md5Digest& setId, std::uint32_t exponent,
                                std::string_view data);

// A volume's name as PAR2 clients write it: base + ".vol" + first exponent + "+" + count +
// ".par2", each number padded with zeros to width digits.
std::string volumeName(std::string_view base, std::uint32_t first, std::uint32_t count,
                       std::size_t width);

}  // namespace roruvez::par2
