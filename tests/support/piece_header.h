#pragma once

#include <string>

namespace roruvez::testing {

// The fields of a header as raw code page bytes; each is padded with blanks to its width.
struct HeaderFields {
    std::string banner = "Velmora RORUVEZ";
    std::string title{};  // the name when empty
    std::string endMark = "\x1A";
    std::string maker = "Velmora Software Works Ltd.";
    std::string name{};
    std::string size{};  // " " and the data length when empty
    std::string stamp = " 06Dec2026 14:05";
};

// The 160 header bytes laid out field by field from the format's table, written here
// independently of the split.
std::string headerBytes(const HeaderFields& fields);

}  // namespace roruvez::testing
