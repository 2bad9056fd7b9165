#include "format/par2_set.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "checks/gf16.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

using testing::patternBytes;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

// The field's arithmetic as the recovery data needs it: the input constants are the ones the
// format lists, division undoes multiplication, and the region kernel is the word-wise product.
TEST(Gf16, TheConstantsAndTheKernelAreTheFormatsOwn) {
    const gf16::Value listed[] = {2, 4, 16, 128, 256, 2048, 8192, 16384, 4107, 32856, 17132};
    for (std::uint32_t i = 0; i < std::size(listed); ++i) {
        EXPECT_EQ(gf16::inputConstant(i), listed[i]) << i;
    }
    const std::string from = patternBytes(4000, 3);
    std::string to = patternBytes(4000, 4);
    const std::string before = to;
    gf16::multiplyAdd(0x1234, reinterpret_cast<const std::byte*>(from.data()),
                      reinterpret_cast<std::byte*>(to.data()), from.size() / 2);
    for (std::size_t i = 0; i < from.size(); i += 2) {
        const auto word = [](const std::string& s, std::size_t at) {
            return static_cast<gf16::Value>(static_cast<unsigned char>(s[at]) |
                                            static_cast<unsigned char>(s[at + 1]) << 8U);
        };
        const gf16::Value product = gf16::multiply(0x1234, word(from, i));
        ASSERT_EQ(word(to, i), word(before, i) ^ product) << i;
        ASSERT_EQ(gf16::divide(product, 0x1234), word(from, i)) << i;
    }
}

bool par2(const std::string& directory, const std::string& verb) {
    const std::string command =
        "cd '" + directory + "' && par2 " + verb + " -q breldo.par2 >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// par2 itself judges the recovery files: it finds the set whole, and rebuilds a deleted piece
// and a damaged one from them, byte for byte (three slices lost, three slices of recovery).
TEST(Par2Packets, Par2VerifiesOurSetAndRepairsFromIt) {
    if (std::system("command -v par2 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "no par2 here (Debian package par2)";
    }
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> pieces = {
        {"breldo.1", patternBytes(5000, 1)},
        {"breldo.2", patternBytes(5000, 2)},
        {"breldo.3", patternBytes(1233, 3)}};
    for (const auto& [name, bytes] : pieces) {
        writeFile(dir.file(name), bytes);
    }
    const auto files = par2::recoveryFiles("breldo", pieces, 2500, 3, "Roruvez test");
    for (const auto& [name, bytes] : files) {
        writeFile(dir.file(name), bytes);
    }
    // Made one recovery slice at a time, in three passes over the inputs, the set is the same.
    std::vector<par2::InputName> names;
    for (const auto& [name, bytes] : pieces) {
        names.push_back({name, bytes.size()});
    }
    std::map<std::string, std::string> inPasses;
    par2::RecoverySet("breldo", names, 2500, 3)
        .make(
            [&](std::size_t input, std::uint64_t offset, std::byte* data, std::size_t size) {
                pieces.at(input).second.copy(reinterpret_cast<char*>(data), size, offset);
            },
            [&](const std::string& name, std::string_view bytes) { inPasses[name] += bytes; },
            "Roruvez test", 2500);
    EXPECT_TRUE(inPasses == files);
    EXPECT_TRUE(par2(dir.path().string(), "verify"));

    std::filesystem::remove(dir.file("breldo.2"));
    std::string damaged = pieces[2].second;
    damaged[700] ^= 1;
    writeFile(dir.file("breldo.3"), damaged);
    EXPECT_FALSE(par2(dir.path().string(), "verify"));
    EXPECT_TRUE(par2(dir.path().string(), "repair"));
    for (const auto& [name, bytes] : pieces) {
        EXPECT_TRUE(readFile(dir.file(name)) == bytes) << name;
    }
}

}  // namespace
}  // namespace roruvez
