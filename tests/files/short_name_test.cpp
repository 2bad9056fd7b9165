#include "files/short_name.h"

#include <gtest/gtest.h>

#include "support/job_fixture.h"

namespace roruvez {
namespace {

using testing::JobFixture;

TEST(ShortName, CutsByLengthAlone) {
    const struct {
        const char* longName;
        const char* shortName;
    } cases[] = {
        {"report.doc", "report.doc"},
        {"abcdefg.txt", "abcdefg.txt"},
        {"abcdefgh.txt", "abcdefgh.txt"},
        {"report_2000.doc", "report_2.doc"},
        {"verylongname", "verylong.ame"},
        {"My Document.html", "My Docum.tml"},
        {"noextension", "noextension"},
        // Characters, not bytes: each accented letter is one character.
        {"\xC3\xA9t\xC3\xA9_r\xC3\xA9sum\xC3\xA9.txt", "\xC3\xA9t\xC3\xA9_r\xC3\xA9su.txt"},
        // A byte that is not UTF-8 counts as one character.
        {"ab\xFF"
         "defghijk.txt",
         "ab\xFF"
         "defgh.txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shortNameOf(c.longName), c.shortName) << c.longName;
    }
}

class MakeShortNameTest : public JobFixture {};

TEST_F(MakeShortNameTest, AsksWhenTheNameChangesAndCancelRefuses) {
    const std::string path = "/data/report_2000.doc";
    surface.answer({Answer::Cancel});
    EXPECT_EQ(MakeShortName(path, context), 1);
    EXPECT_EQ(surface.captionsOf(Control::Label9), std::vector<std::string>{"SFN:" + path});
    ASSERT_EQ(surface.boxes().size(), 1U);
    EXPECT_EQ(surface.boxes()[0].prompt,
              "The file will be saved and restored as: report_2.doc\r\nTurn on checksums to keep "
              "its long name: breldo.sha256 then keeps it for the join.");
    EXPECT_EQ(surface.boxes()[0].title, "Filename warning(8.3): report_2.doc");
    EXPECT_EQ(surface.boxes()[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(state.SourcePath, path);
    EXPECT_EQ(state.LongName, "report_2000.doc");
    EXPECT_EQ(state.ShortName, "report_2.doc");

    surface.answer({Answer::Ok});
    EXPECT_EQ(MakeShortName(path, context), 0);
}

// The box's added line says what becomes of the long name, which only the checksum list keeps.
TEST_F(MakeShortNameTest, TheBoxSaysWhetherTheLongNameIsKept) {
    const struct {
        const char* name;
        bool checksums;
        const char* line;
    } cases[] = {
        {"Holiday video 2024.mp4", true,
         "Its long name is kept in breldo.sha256, and the join restores it."},
        {"Holiday video 2024.mp4", false,
         "Turn on checksums to keep its long name: breldo.sha256 then keeps it for the join."},
        {"a\tb c d e f.txt", true, "Its long name cannot be kept: a join could not restore it."},
        {"BRELDO.SHA256", true, "Its long name cannot be kept: a join could not restore it."},
        {"breldo.vol0+1.par2", true, "Its long name cannot be kept: a join could not restore it."},
    };
    for (const auto& c : cases) {
        surface.clearHistory();
        context.startRun({.checksums = c.checksums});
        EXPECT_EQ(MakeShortName(std::string("/data/") + c.name, context), 0);
        ASSERT_EQ(surface.boxes().size(), 1U) << c.name;
        const std::string prompt = surface.boxes()[0].prompt;
        EXPECT_EQ(prompt.substr(prompt.find("\r\n") + 2), c.line) << c.name;
    }
}

TEST_F(MakeShortNameTest, NamesThatFitPassWithoutAQuestion) {
    for (const char* path : {"/data/abcdefgh.txt", "/data/abcdefg.txt", "/report.doc"}) {
        surface.clearHistory();
        EXPECT_EQ(MakeShortName(path, context), 0) << path;
        EXPECT_TRUE(surface.boxes().empty()) << path;
    }
    EXPECT_EQ(state.LongName, "report.doc");
}

}  // namespace
}  // namespace roruvez
