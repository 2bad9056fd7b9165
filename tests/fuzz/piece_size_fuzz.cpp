// Types any text into the piece size box. The reading must give a 32-bit number or "Overflow",
// agree with plain decimal arithmetic where the text is a plain decimal number, and a split of a
// 2,000-byte source with that text must end as the size says: nothing to do, refused, or pieces
// of that size that join back to the source. A sparse source of five times that size must be
// recorded in the header's size field so that the join reads it back, or refused when the field
// cannot hold it.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <filesystem>

#include "format/piece_format.h"
#include "fuzz_check.h"
#include "fuzz_workspace.h"
#include "join/piece_check.h"
#include "platform/error.h"
#include "split/header_builder.h"
#include "split/split_driver.h"
#include "text/number_text.h"

namespace {

using roruvez::Control;
using roruvez::fuzzing::Workspace;

constexpr std::int64_t kSourceLen = 2000;
constexpr std::int64_t kHeader = 160;

// The value of text that is, blanks aside, a plain decimal number of at most ten digits and four
// decimals, followed by anything that cannot continue a number; rounded half to even by exact
// decimal arithmetic. Nothing for any other text.
std::optional<std::int64_t> plainDecimal(const std::string& text) {
    std::string compact;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            compact.push_back(c);
        }
    }
    std::size_t at = 0;
    bool negative = false;
    if (at < compact.size() && (compact[at] == '+' || compact[at] == '-')) {
        negative = compact[at] == '-';
        ++at;
    }
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::string whole;
    while (at < compact.size() && isDigit(compact[at])) {
        whole.push_back(compact[at++]);
    }
    std::string fraction;
    if (at < compact.size() && compact[at] == '.') {
        ++at;
        while (at < compact.size() && isDigit(compact[at])) {
            fraction.push_back(compact[at++]);
        }
    }
    if (whole.empty() || whole.size() > 10 || fraction.size() > 4) {
        return std::nullopt;
    }
    if (at < compact.size()) {
        const char next = static_cast<char>(compact[at] | 0x20);
        if (next == 'e' || next == 'd' || compact[at] == '.' || isDigit(compact[at])) {
            return std::nullopt;
        }
    }
    std::int64_t value = std::stoll(whole);
    if (!fraction.empty()) {
        std::string half(fraction.size(), '0');
        half.front() = '5';
        const int order = fraction.compare(half);
        if (order > 0 || (order == 0 && value % 2 == 1)) {
            ++value;
        }
    }
    return negative ? -value : value;
}

// The number reading agrees with decimal arithmetic; the box's reading, which also knows the
// console's size suffixes, is an overflow or a number.
std::optional<std::int64_t> checkedReading(const std::string& text) {
    std::optional<std::int64_t> number;
    try {
        number = roruvez::readNumberText(text);
    } catch (const roruvez::PlatformError& error) {
        FUZZ_CHECK(std::string(error.what()) == roruvez::error_text::kOverflow,
                   "the reading failed other than by overflow");
    }
    const auto plain = plainDecimal(text);
    if (plain) {
        const bool fits = *plain >= INT32_MIN && *plain <= INT32_MAX;
        FUZZ_CHECK(fits == number.has_value(), "overflow disagrees with decimal arithmetic");
        FUZZ_CHECK(!fits || *number == *plain, "the reading disagrees with decimal arithmetic");
    }
    std::optional<std::int64_t> read;
    try {
        read = roruvez::readPieceSizeText(text);
    } catch (const roruvez::PlatformError& error) {
        FUZZ_CHECK(std::string(error.what()) == roruvez::error_text::kOverflow,
                   "the box's reading failed other than by overflow");
    }
    return read;
}

// A split that must not have written anything ended so, with the one message that says why.
void checkRefused(const std::optional<std::int64_t>& read, const std::string& status,
                  const std::map<std::string, std::string>& after,
                  const std::vector<std::string>& prompts, Workspace& workspace) {
    FUZZ_CHECK(status == "Not completed!" && after.empty(), "a refused split left pieces");
    if (!read) {
        FUZZ_CHECK(!prompts.empty() && prompts.front() == roruvez::error_text::kOverflow,
                   "an overflow without its message");
    } else if (*read >= kSourceLen || *read < 0) {
        FUZZ_CHECK(prompts.size() == 1 && prompts.front().rfind("Noting to do!", 0) == 0,
                   "nothing to do without its message");
    } else {
        // The box is set to the default, which is larger than this source.
        FUZZ_CHECK(workspace.surface.text(Control::Text2) == "1400000", "the box was not reset");
        FUZZ_CHECK(prompts.size() == 1 &&
                       prompts.front() == "Sorry no action on files less than 160 bytes!",
                   "a refused size without its message");
    }
}

void checkHeaderOfSize(std::int64_t size, Workspace& workspace) {
    const std::string path = (workspace.work() / "LARGE.BIN").string();
    roruvez::testing::makeSparseFile(path, static_cast<std::uint64_t>(size));
    workspace.state.SourcePath = path;
    const std::int16_t result = roruvez::BuildHeader("LARGE.BIN", workspace.context);
    workspace.state.File1.reset();
    std::filesystem::remove(path);
    if (size > roruvez::kMaxSourceLength) {
        FUZZ_CHECK(result == 1 && workspace.surface.prompts().back().rfind("Too large", 0) == 0,
                   "a size beyond the field was not refused");
        return;
    }
    const std::string& field = workspace.state.HdrFileSize;
    FUZZ_CHECK(result == 0 && field.size() == 10, "a size the field holds was not recorded");
    FUZZ_CHECK(roruvez::readSizeField(field) == size, "the join reads another size back");
}

void checkPieces(std::int64_t pieceSize, std::map<std::string, std::string>& after,
                 const std::string& source) {
    const std::int64_t count = (kSourceLen + kHeader + pieceSize - 1) / pieceSize;
    FUZZ_CHECK(static_cast<std::int64_t>(after.size()) == count, "wrong number of pieces");
    std::string joined;
    for (std::int64_t number = 1; number <= count; ++number) {
        const std::string& bytes = after["breldo." + std::to_string(number)];
        FUZZ_CHECK(number == count || static_cast<std::int64_t>(bytes.size()) == pieceSize,
                   "a piece but the last is not the piece size");
        joined += number == 1 ? bytes.substr(std::min<std::size_t>(bytes.size(), 160)) : bytes;
    }
    FUZZ_CHECK(joined == source, "the pieces do not hold the source");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Workspace workspace;
    static const std::string source = roruvez::testing::patternBytes(kSourceLen, 3);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int64_t> read = checkedReading(text);

    workspace.reset();
    if (read && *read >= 0) {
        checkHeaderOfSize(*read * 5, workspace);
        workspace.reset();
    }
    const std::string path = (workspace.work() / "SOURCE.BIN").string();
    roruvez::testing::writeFile(path, source);
    workspace.surface.setText(Control::Text2, text);
    workspace.state.FilePath = path;
    roruvez::SplitFile(workspace.state.FilePath, workspace.context);

    FUZZ_CHECK(workspace.outsideUntouched(), "the split wrote outside its directory");
    auto after = workspace.contents();
    FUZZ_CHECK(after[Workspace::kKeepName] == Workspace::kKeepBytes, "an existing file changed");
    FUZZ_CHECK(after["SOURCE.BIN"] == source, "the source changed");
    after.erase(Workspace::kKeepName);
    after.erase("SOURCE.BIN");
    const std::string status = workspace.surface.caption(Control::Label9);
    if (!read || *read >= kSourceLen || *read <= kHeader) {
        checkRefused(read, status, after, workspace.surface.prompts(), workspace);
        return 0;
    }
    FUZZ_CHECK(status == "Done!", "a usable piece size did not split");
    checkPieces(*read, after, source);
    return 0;
}
