#include "join/header_reader.h"

#include <array>

#include "format/piece_format.h"
#include "format/stored_name.h"
#include "platform/error.h"
#include "state/failure_texts.h"
#include "text/code_page.h"
#include "text/text.h"

namespace roruvez {

namespace {

// The name as the user may see it in a message: control characters shown as '?'.
std::string printable(const std::string& name) {
    std::string shown;
    for (std::string_view character : splitCharacters(name)) {
        shown += isControlCharacter(character) ? std::string_view("?") : character;
    }
    return shown;
}

std::int16_t readHeader(const std::string& path, Context& context) {
    JobState& state = context.state;
    state.File1 = context.platform.files.openRead(path);
    // What a job killed as it took the name leaves; a header of blanks would say less.
    if (state.File1->status().length == 0) {
        throw PlatformError(path + ": " + error_text::kEmptyPiece, path);
    }
    // A piece shorter than the header reads its missing characters as blanks.
    std::array<char, kHeaderLength> bytes;
    bytes.fill(' ');
    state.File1->read(reinterpret_cast<std::byte*>(bytes.data()), bytes.size());
    state.File1->close();
    state.File1.reset();
    TakeHeader(std::string_view(bytes.data(), bytes.size()), path, context);
    return 0;
}

}  // namespace

std::int16_t ReadHeader(const std::string& path, Context& context) {
    return trapFailuresDroppingInput(context, [&] { return readHeader(path, context); });
}

void TakeHeader(std::string_view bytes, const std::string& path, Context& context) {
    JobState& state = context.state;
    const auto field = [&](HeaderField which) { return fromCodePage(headerField(bytes, which)); };
    PieceHeaderRecord header;
    header.Banner = field(HeaderField::Banner);
    header.Title = field(HeaderField::Title);
    header.EndMark = field(HeaderField::EndMark);
    header.Maker = field(HeaderField::Maker);
    header.OrigName = field(HeaderField::FileName);
    header.OrigSize = field(HeaderField::FileSize);
    header.Stamp = field(HeaderField::Stamp);

    // The name comes from a file anyone may have written: it must not reach outside the
    // target directory nor name something that is not a plain file.
    const std::string reason = unsafeNameReason(header.OrigName);
    if (!reason.empty()) {
        throw PlatformError(std::string(error_text::kBadFileName) + " in the header (" + reason +
                                "): \"" + printable(header.OrigName) + "\"",
                            path);
    }
    state.PieceHeader = std::move(header);
    state.CheckedHeader.assign(bytes);

    StatusSurface& surface = context.surface;
    surface.setCaption(Control::Label5, "H: " + state.PieceHeader.OrigSize);
    surface.setCaption(Control::Label8, state.PieceHeader.Stamp);
    surface.showStatus(state.PieceHeader.OrigName);
}

}  // namespace roruvez
