// Joins a piece 1 of any bytes, alone or with up to three further pieces, and checks the join's
// promises: done means the pieces add up to the header's size and the restored file holds
// exactly their data under the header's name inside the directory; pieces that do not add up
// are restored the same way but end not completed; any other not completed leaves nothing new;
// no existing file changes and nothing is written outside the directory.
//
// Input: the first byte gives the number of further pieces (low two bits) and their length
// (the rest, plus one); the further pieces take their bytes from the end of the input, piece 1
// everything before.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_workspace.h"
#include "join/join_driver.h"
#include "join/piece_check.h"

namespace {

using roruvez::Control;
using roruvez::fuzzing::Workspace;

std::string restoredName(const std::string& origName) {
    std::string name = origName;
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return name;
}

// A join that restored the pieces' data: done exactly when they add up to the header's size.
void checkRestored(const std::vector<std::string>& pieces,
                   const std::map<std::string, std::string>& after, Workspace& workspace) {
    const std::string status = workspace.surface.caption(Control::Label9);
    const bool done = workspace.state.Outcome == roruvez::JobOutcome::Done;
    FUZZ_CHECK(status == (done ? "Done!" : "Not completed!"), "the status hides the outcome");
    FUZZ_CHECK(workspace.surface.backColour(Control::Label3) ==
                   (done ? roruvez::kLightGreen : roruvez::kLightRed),
               "the lamp hides the outcome");
    FUZZ_CHECK(after.size() == 1, "restored but not exactly one new file");
    const std::string name = restoredName(workspace.state.PieceHeader.OrigName);
    FUZZ_CHECK(after.begin()->first == name, "the new file is not named as the header says");
    FUZZ_CHECK(workspace.state.PieceCount == static_cast<std::int16_t>(pieces.size()),
               "not every piece was counted");
    FUZZ_CHECK(pieces[0].size() > 160, "restored from a piece 1 that carries no data");
    std::string expected = pieces[0].substr(160);
    for (std::size_t k = 1; k < pieces.size(); ++k) {
        expected += pieces[k];
    }
    FUZZ_CHECK(after.begin()->second == expected, "the restored file is not the pieces' data");
    const auto recorded = roruvez::readSizeField(workspace.state.PieceHeader.OrigSize);
    FUZZ_CHECK(recorded.has_value(), "restored under a size that is not a number");
    FUZZ_CHECK(done == (*recorded == static_cast<std::int64_t>(expected.size())),
               "done although the pieces do not add up, or not done although they do");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Workspace workspace;
    workspace.reset();
    if (size == 0) {
        return 0;
    }
    const std::size_t further = data[0] & 3U;
    const std::size_t chunk = (data[0] >> 2U) + 1U;
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);

    std::vector<std::string> pieces(further + 1);
    for (std::size_t k = further; k >= 1; --k) {
        const std::size_t take = std::min(chunk, rest.size());
        pieces[k] = rest.substr(rest.size() - take);
        rest.resize(rest.size() - take);
    }
    pieces[0] = rest;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        roruvez::testing::writeFile(
            (workspace.work() / ("breldo." + std::to_string(k + 1))).string(), pieces[k]);
    }
    const auto before = workspace.contents();

    workspace.surface.setEnabled(Control::Command3, true);
    workspace.state.FilePath = (workspace.work() / "breldo.1").string();
    roruvez::JoinFiles(workspace.state.FilePath, workspace.context);

    FUZZ_CHECK(workspace.outsideUntouched(), "the join wrote outside its directory");
    auto after = workspace.contents();
    for (const auto& [name, bytes] : before) {
        FUZZ_CHECK(after.count(name) == 1 && after[name] == bytes, "an existing file changed");
        after.erase(name);
    }
    const std::string status = workspace.surface.caption(Control::Label9);
    // A set that does not add up is restored all the same, but never ends "Done!".
    if (workspace.state.Outcome != roruvez::JobOutcome::NotCompleted) {
        checkRestored(pieces, after, workspace);
    } else {
        FUZZ_CHECK(status == "Not completed!", "the join ended neither done nor not completed");
        FUZZ_CHECK(workspace.surface.backColour(Control::Label3) == roruvez::kLightRed,
                   "not completed without the red lamp");
        FUZZ_CHECK(after.empty(), "a failed join left a file behind");
        FUZZ_CHECK(!workspace.surface.prompts().empty(), "a failed join said nothing");
    }
    return 0;
}
