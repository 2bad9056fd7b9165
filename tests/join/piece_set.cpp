#include "join/piece_set.h"

#include <algorithm>
#include <filesystem>

#include "join/join_driver.h"

namespace roruvez::testing {

std::vector<std::string> writePieceSet(const std::string& prefix, const std::string& header,
                                       const std::string& data, std::size_t pieceSize) {
    const std::string all = header + data;
    std::vector<std::string> paths;
    for (std::size_t at = 0; at < all.size(); at += pieceSize) {
        paths.push_back(prefix + "breldo." + std::to_string(paths.size() + 1));
        writeFile(paths.back(), all.substr(at, pieceSize));
    }
    return paths;
}

std::string JoinFixture::writeSet(HeaderFields fields, const std::string& data,
                                  std::size_t pieceSize) {
    if (fields.size.empty()) {
        // Grown in place from empty: assigning a literal here trips GCC 12's -Wrestrict at -O3.
        fields.size.push_back(' ');
        fields.size.append(std::to_string(data.size()));
    }
    return writePieceSet(dir.prefix(), headerBytes(fields), data, pieceSize).front();
}

void JoinFixture::join() {
    join(piece(1));
}

void JoinFixture::join(const std::string& piece1) {
    surface.setEnabled(Control::Command3, true);
    surface.setText(Control::Text3, "");
    surface.clearHistory();
    state.FilePath = piece1;
    JoinFiles(state.FilePath, *jobContext);
}

void JoinFixture::freshDir() {
    std::filesystem::remove_all(dir.path());
    std::filesystem::create_directory(dir.path());
}

void JoinFixture::expectNotCompleted() const {
    EXPECT_EQ(state.Outcome, JobOutcome::NotCompleted);
    EXPECT_EQ(surface.caption(Control::Label9), "Not completed!");
    EXPECT_EQ(surface.backColour(Control::Label3), kLightRed);
    EXPECT_TRUE(surface.enabled(Control::Command3));
}

void JoinFixture::expectDirHolds(std::vector<std::string> names) const {
    std::sort(names.begin(), names.end());
    EXPECT_EQ(listDir(dir.path()), names);
}

}  // namespace roruvez::testing
