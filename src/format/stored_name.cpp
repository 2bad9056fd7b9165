#include "format/stored_name.h"

#include "text/code_page.h"
#include "text/text.h"

namespace roruvez {

namespace {

bool isSeparator(std::string_view character) {
    // ':' too: a drive-relative name would leave the target directory when the prefix is empty.
    return character == "/" || character == "\\" || character == ":";
}

std::string withoutBlanksAtEnd(std::string name) {
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return name;
}

}  // namespace

bool isControlCharacter(std::string_view character) {
    if (character.size() == 1) {
        const auto byte = static_cast<unsigned char>(character[0]);
        return byte < 0x20 || byte == 0x7F;
    }
    // U+0080 to U+009F.
    return character.size() == 2 && static_cast<unsigned char>(character[0]) == 0xC2 &&
           static_cast<unsigned char>(character[1]) < 0xA0;
}

std::string unsafeNameReason(const std::string& storedName) {
    const std::string name = withoutBlanksAtEnd(storedName);
    if (name.empty()) {
        return "the name is blank";
    }
    if (name == "." || name == "..") {
        return "the name is a directory reference";
    }
    for (std::string_view character : splitCharacters(name)) {
        if (character == ":") {
            return "the name holds a drive separator";
        }
        if (isSeparator(character)) {
            return "the name holds a directory separator";
        }
        if (isControlCharacter(character)) {
            return "the name holds a control character";
        }
    }
    return {};
}

std::string restorableName(const std::string& name) {
    const std::string stored = fromCodePage(toCodePage(name));
    std::string restored;
    for (std::string_view character : splitCharacters(stored)) {
        const bool unsafe = isSeparator(character) || isControlCharacter(character);
        restored += unsafe ? std::string_view("_") : character;
    }
    restored = withoutBlanksAtEnd(restored);
    if (unsafeNameReason(restored).empty()) {
        return restored;
    }
    // Blank, "." or "..": no source has such a name, but a header must never carry one.
    return restored + "_";
}

}  // namespace roruvez
