// A join restores the set the chosen first piece heads, and nothing else: not the data of another
// set lying where the pieces are looked for, not a file a link leads to.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "join/join_driver.h"
#include "join/piece_set.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::headerBytes;
using testing::JoinFixture;
using testing::patternBytes;
using testing::readFile;
using testing::writeFile;
using testing::writePieceSet;

class PieceSetIdentityTest : public JoinFixture {};

TEST_F(PieceSetIdentityTest, AFirstPieceOfAnotherSetIsNeverJoinedWithTheseData) {
    const std::string a = patternBytes(5000, 1);
    const std::string b = patternBytes(5000, 2);
    writeSet({.name = "B.BIN"}, b, 2000);
    // A first piece of an older set, renamed, beside the set of B.BIN.
    writeFile(dir.file("oldbreldo.1"), headerBytes({.name = "A.BIN", .size = " 5000"}) + a);

    join(dir.file("oldbreldo.1"));

    expectNotCompleted();
    EXPECT_EQ(
        surface.prompts(),
        std::vector<std::string>{piece(1) + " does not begin with the header of " +
                                 dir.file("oldbreldo.1") + ": the pieces belong to another set."});
    expectDirHolds({"breldo.1", "breldo.2", "breldo.3", "oldbreldo.1"});

    // The same first piece under another name joins its own data.
    fs::copy_file(piece(1), dir.file("copy of breldo.1"));
    join(dir.file("copy of breldo.1"));
    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(readFile(dir.file("B.BIN")) == b);
}

// Media that show 8.3 names in upper case: the set is read in the chosen name's spelling, and
// the lower-case set, when there is one, is tried first.
TEST_F(PieceSetIdentityTest, AnUpperCaseSetIsReadInItsOwnSpelling) {
    const std::string data = patternBytes(5000, 3);
    const auto pieces =
        writePieceSet(dir.prefix(), headerBytes({.name = "UP.BIN", .size = " 5000"}), data, 2000);
    for (const std::string& lower : pieces) {
        const fs::path path(lower);
        std::string upper = path.filename().string();
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        fs::rename(path, path.parent_path() / upper);
    }

    join(dir.file("BRELDO.1"));

    EXPECT_EQ(surface.caption(Control::Label9), "Done!");
    EXPECT_TRUE(surface.prompts().empty());
    EXPECT_EQ(surface.caption(Control::Label7), "TB: 5000 FN: 3");
    EXPECT_TRUE(readFile(dir.file("UP.BIN")) == data);

    // A lower-case first piece of another set beside it is found first, and refused.
    fs::remove(dir.file("UP.BIN"));
    writePieceSet(dir.prefix(), headerBytes({.name = "LOW.BIN", .size = " 10"}),
                  patternBytes(10, 4), 2000);
    join(dir.file("BRELDO.1"));
    expectNotCompleted();
    EXPECT_FALSE(fs::exists(dir.file("UP.BIN")));
}

TEST_F(PieceSetIdentityTest, APieceBehindALinkIsNeverRead) {
    const std::string data = patternBytes(5000, 5);
    const std::string secret = patternBytes(2000, 6);
    const std::string elsewhere = dir.file("secret");
    writeFile(elsewhere, secret);
    writeSet({.name = "DATA.BIN"}, data, 2000);
    fs::remove(piece(2));
    fs::create_symlink(elsewhere, piece(2));

    // Found by name: the link ends the count, as a missing piece does.
    join();
    EXPECT_EQ(surface.caption(Control::Label7), "TB: 1840 FN: 1");
    EXPECT_EQ(state.Outcome, JobOutcome::Mismatched);
    EXPECT_TRUE(readFile(dir.file("DATA.BIN")) == data.substr(0, 1840));
    fs::remove(dir.file("DATA.BIN"));

    // Swapped in after the count: the copy refuses it and restores nothing.
    fs::remove(piece(2));
    writeFile(piece(2), data.substr(1840, 2000));
    surface.onPump = [&] {
        // Once the copy has begun.
        if (state.File1 && !fs::is_symlink(piece(2))) {
            fs::remove(piece(2));
            fs::create_symlink(elsewhere, piece(2));
        }
    };
    join();
    surface.onPump = nullptr;
    expectNotCompleted();
    ASSERT_EQ(surface.prompts().size(), 1U);
    EXPECT_NE(surface.prompts()[0].find("Opening " + piece(2) + ": Not an ordinary file"),
              std::string::npos)
        << surface.prompts()[0];
    EXPECT_FALSE(fs::exists(dir.file("DATA.BIN")));
}

}  // namespace
}  // namespace roruvez
