#include "support/piece_header.h"

#include <stdexcept>

#include "format/piece_format.h"

namespace roruvez::testing {

std::string headerBytes(const HeaderFields& fields) {
    const auto put = [](std::string& header, HeaderField field, const std::string& bytes) {
        const HeaderFieldLayout& layout = layoutOf(field);
        if (bytes.size() > layout.width) {
            throw std::invalid_argument("header field too long: " + bytes);
        }
        header.replace(layout.offset, bytes.size(), bytes);
    };
    std::string header(static_cast<std::size_t>(kHeaderLength), ' ');
    put(header, HeaderField::Banner, fields.banner);
    put(header, HeaderField::Title, fields.title.empty() ? fields.name : fields.title);
    put(header, HeaderField::EndMark, fields.endMark);
    put(header, HeaderField::Maker, fields.maker);
    put(header, HeaderField::FileName, fields.name);
    put(header, HeaderField::FileSize, fields.size);
    put(header, HeaderField::Stamp, fields.stamp);
    return header;
}

}  // namespace roruvez::testing
