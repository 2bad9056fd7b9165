#include "format/checksum_file.h"

#include <gtest/gtest.h>

#include "checks/sha256.h"
#include "support/fakes.h"

namespace roruvez {
namespace {

using Digests = std::map<std::string, std::string>;

// What coreutils' sha256sum -c says of our lines is the point of the format: it must pass a
// list of whole files and fail one whose file lost a byte, and our digest is its digest.
TEST(ChecksumFile, Sha256sumChecksWhatWeWrite) {
    testing::TempDir dir;
    const std::string piece1 = testing::patternBytes(1400000, 1);
    const std::string piece2 = testing::patternBytes(1, 2);
    testing::writeFile(dir.file("breldo.1"), piece1);
    testing::writeFile(dir.file("breldo.2"), piece2);
    // Fed in parts, as a copy feeds it.
    Sha256 parts;
    parts.add(reinterpret_cast<const std::byte*>(piece1.data()), 1000);
    parts.add(reinterpret_cast<const std::byte*>(piece1.data()) + 1000, piece1.size() - 1000);
    testing::writeFile(dir.file(kChecksumFileName),
                       checksumLine(parts.finish(), "breldo.1") +
                           checksumLine(testing::sha256Of(piece2), "breldo.2"));

    EXPECT_TRUE(testing::sha256sumPasses(dir.path().string()));
    testing::writeFile(dir.file("breldo.1"), piece1.substr(1));
    EXPECT_FALSE(testing::sha256sumPasses(dir.path().string()));
    EXPECT_EQ(testing::sha256Of("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(ChecksumFile, OnlyTheSetsNamesAreReadAndAnythingElseIsRefusedWhole) {
    const std::string a(64, 'a');
    const std::string b = std::string(63, 'B') + "0";
    const auto set = [](std::string_view name) { return name == "breldo.1" || name == "S.BIN"; };
    struct Case {
        std::string text;
        std::optional<Digests> read;
    };
    const Case cases[] = {
        {a + "  breldo.1\n" + b + "  S.BIN\n",
         Digests{{"breldo.1", a}, {"S.BIN", std::string(63, 'b') + "0"}}},
        {a + " *breldo.1\r\n\n", Digests{{"breldo.1", a}}},
        {a + "  ../etc/passwd\n" + a + "  /etc/shadow\n" + a + "  breldo.1/x\n", Digests{}},
        // As sha256sum -c opens the name: escapes undone, up to a NUL, "./" in front dropped.
        {"\\" + a + "  br\\\\eldo.1\n" + b + "  ./S.BIN\n",
         Digests{{"S.BIN", std::string(63, 'b') + "0"}}},
        {"\\" + a + "  breldo.1\n" + a + "  ./breldo.1\n", Digests{{"breldo.1", a}}},
        {a + "  breldo.1" + std::string(1, '\0') + "x\n", Digests{{"breldo.1", a}}},
        {"\\" + a + "  breldo.1\\q\n", std::nullopt},
        {a + "  breldo.1\n" + a + "  breldo.1", Digests{{"breldo.1", a}}},
        {a + "  breldo.1\n" + b + "  breldo.1\n", std::nullopt},
        {a + " breldo.1\n", std::nullopt},
        {a.substr(1) + "   breldo.1\n", std::nullopt},
        {std::string(63, 'a') + "g  breldo.1\n", std::nullopt},
        {"SHA256 (breldo.1) = " + a + "\n", std::nullopt},
        {std::string(kMaxChecksumFileBytes + 1, '\n'), std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readChecksumFile(c.text, set), c.read) << c.text.substr(0, 200);
    }
}

}  // namespace
}  // namespace roruvez
