// Whatever name a source has, the split writes a set its join accepts, and the join restores the
// data under the name the split showed the user.

#include <gtest/gtest.h>

#include <filesystem>

#include "join/piece_set.h"
#include "split/split_driver.h"

namespace roruvez {
namespace {

namespace fs = std::filesystem;
using testing::JoinFixture;
using testing::patternBytes;
using testing::readFile;
using testing::writeFile;

constexpr const char* kQuestion = "The file will be saved and restored as: ";

class SourceNameTest : public JoinFixture {
  protected:
    // Splits the source under name, answering OK; the name the question showed, or name itself
    // when there was no question.
    std::string split(const std::string& name, const std::string& data) {
        writeFile(dir.file(name), data);
        surface.setText(Control::Text2, "2000");
        surface.clearHistory();
        state.FilePath = dir.file(name);
        SplitFile(state.FilePath, context, request);
        EXPECT_EQ(surface.caption(Control::Label9), "Done!");
        for (const std::string& prompt : surface.prompts()) {
            if (prompt.rfind(kQuestion, 0) == 0) {
                const std::size_t from = std::string(kQuestion).size();
                return prompt.substr(from, prompt.find("\r\n") - from);
            }
        }
        return name;
    }
};

// With checksums, the list keeps a long name the join may restore, and the join restores it.
TEST_F(SourceNameTest, EverySplitSetJoinsBackUnderTheNameTheQuestionShowed) {
    const struct {
        const char* what;
        std::string name;
        std::string shown;  // empty: no question
        bool kept = false;
    } cases[] = {
        {"plain", "REPORT.DOC", ""},
        {"long", "Holiday video 2024.mp4", "Holiday .mp4", true},
        {"long, ending in a blank", "Quarterly report 2026.xlsx ", "Quarterl.sx", true},
        {"in the code page",
         "Gr\xC3\xB6\xC3\x9F"
         "e.bin",
         ""},
        {"a drive separator", "a:b.txt", "a_b.txt"},
        {"a backslash", "a\\b.txt", "a_b.txt"},
        {"a tab", "a\tb.txt", "a_b.txt"},
        {"a line feed", "a\nb.txt", "a_b.txt"},
        {"DEL",
         "a\x7F"
         "b.txt",
         "a_b.txt"},
        {"a C1 control outside the code page",
         "a\xC2\x85"
         "b.txt",
         "a?b.txt"},
        {"a C1 control the code page leaves undefined",
         "a\xC2\x81"
         "b.txt",
         "a_b.txt"},
        {"outside the code page", "\xE6\x97\xA5.txt", "?.txt", true},
        {"not UTF-8", "caf\xE9.bin", "caf?.bin", true},
        {"a blank at the end", "x ", "x", true},
        {"blanks only", "   ", "_"},
        {"shortened, with a colon", "verylong:name.bin", "verylong.bin"},
    };
    for (const bool checksums : {false, true}) {
        request.checksums = checksums;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (checksums ? ", with checksums" : ""));
            freshDir();
            const std::string data = patternBytes(5000, static_cast<unsigned>(c.name.size()));
            const std::string shown = split(c.name, data);
            EXPECT_EQ(shown, c.shown.empty() ? c.name : c.shown);
            fs::remove(dir.file(c.name));

            join();

            EXPECT_EQ(surface.caption(Control::Label9), "Done!")
                << ::testing::PrintToString(surface.prompts());
            const std::string restored = checksums && c.kept ? c.name : shown;
            EXPECT_TRUE(readFile(dir.file(restored)) == data);
            // Three pieces, the restored file, and the list.
            EXPECT_EQ(testing::listDir(dir.path()).size(), 4U + (checksums ? 1U : 0U));
            if (checksums) {
                // The list checks the file under the name restored, the short one included.
                EXPECT_TRUE(testing::sha256sumPasses(dir.path().string(), true));
                if (restored != shown) {
                    fs::copy_file(dir.file(restored), dir.file(shown));
                }
                EXPECT_TRUE(testing::sha256sumPasses(dir.path().string()));
            }
        }
    }
}

// The name chosen is the file that is cut, even when another differs from it only by a blank.
TEST_F(SourceNameTest, ANameEndingInABlankIsNotTheNameWithout) {
    writeFile(dir.file("x"), "not this one");
    const std::string data = patternBytes(3000, 9);
    EXPECT_EQ(split("x ", data), "x");
    EXPECT_TRUE(readFile(piece(1)).substr(160) + readFile(piece(2)) == data);
    EXPECT_EQ(readFile(dir.file("x")), "not this one");
}

}  // namespace
}  // namespace roruvez
