#include "files/short_name.h"

#include "format/checksum_file.h"
#include "format/stored_name.h"
#include "state/status_texts.h"
#include "text/text.h"

namespace roruvez {

std::string shortNameOf(const std::string& longName) {
    const auto characters = splitCharacters(longName);
    if (characters.size() <= 11) {
        return longName;
    }
    std::string shortName;
    for (std::size_t i = 0; i < 8; ++i) {
        shortName += characters[i];
    }
    shortName += '.';
    for (std::size_t i = characters.size() - 3; i < characters.size(); ++i) {
        shortName += characters[i];
    }
    return shortName;
}

namespace {

// What becomes of the long name: kept in the checksum list, or how to keep it.
std::string longNameLine(const std::string& longName, bool checksums) {
    if (!isKeepableLongName(longName)) {
        return "Its long name cannot be kept: a join could not restore it.";
    }
    if (!checksums) {
        return "Turn on checksums to keep its long name: breldo.sha256 then keeps it for the "
               "join.";
    }
    return "Its long name is kept in breldo.sha256, and the join restores it.";
}

}  // namespace

std::int16_t MakeShortName(const std::string& path, Context& context) {
    JobState& state = context.state;
    context.surface.showStatus(status_text::kShortName + path);
    state.SourcePath = path;
    const std::size_t lastSeparator = path.rfind('/');
    if (!path.empty()) {
        state.LongName = lastSeparator == std::string::npos ? path : path.substr(lastSeparator + 1);
    }
    // The header records the name the join will restore; any change to it is the user's to allow.
    state.ShortName = restorableName(shortNameOf(state.LongName));
    if (state.LongName == state.ShortName) {
        return 0;
    }
    const Answer answer = context.surface.messageBox(
        "The file will be saved and restored as: " + state.ShortName + "\r\n" +
            longNameLine(state.LongName, context.run().request.checksums),
        Buttons::OkCancel, "Filename warning(8.3): " + state.ShortName);
    return answer == Answer::Cancel ? 1 : 0;
}

}  // namespace roruvez
