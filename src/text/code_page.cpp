#include "text/code_page.h"

#include <iconv.h>

#include <array>
#include <map>

#include "text/text.h"

namespace roruvez {

namespace {

struct CodePageTables {
    std::array<std::string, 256> decode;
    std::map<std::string, char, std::less<>> encode;

    CodePageTables() {
        iconv_t converter = iconv_open("UTF-8", "WINDOWS-1252");
        for (int value = 0; value < 256; ++value) {
            std::string utf8;
            if (converter != reinterpret_cast<iconv_t>(-1)) {
                char in = static_cast<char>(value);
                char out[8];
                char* inPtr = &in;
                char* outPtr = out;
                std::size_t inLeft = 1;
                std::size_t outLeft = sizeof out;
                if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) !=
                    static_cast<size_t>(-1)) {
                    utf8.assign(out, static_cast<std::size_t>(outPtr - out));
                }
                iconv(converter, nullptr, nullptr, nullptr, nullptr);
            }
            if (utf8.empty()) {
                // Undefined in the code page (or no converter): the code point of the same value.
                if (value < 0x80) {
                    utf8.assign(1, static_cast<char>(value));
                } else {
                    utf8.push_back(static_cast<char>(0xC0 | (value >> 6)));
                    utf8.push_back(static_cast<char>(0x80 | (value & 0x3F)));
                }
            }
            decode[static_cast<std::size_t>(value)] = utf8;
            encode.emplace(utf8, static_cast<char>(value));
        }
        if (converter != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(converter);
        }
    }
};

const CodePageTables& tables() {
    static const CodePageTables instance;
    return instance;
}

}  // namespace

std::string toCodePage(std::string_view utf8) {
    const auto& encode = tables().encode;
    std::string bytes;
    bytes.reserve(utf8.size());
    for (std::string_view character : splitCharacters(utf8)) {
        const auto found = encode.find(character);
        bytes.push_back(found == encode.end() ? '?' : found->second);
    }
    return bytes;
}

std::string fromCodePage(std::string_view bytes) {
    const auto& decode = tables().decode;
    std::string utf8;
    utf8.reserve(bytes.size());
    for (char byte : bytes) {
        utf8 += decode[static_cast<unsigned char>(byte)];
    }
    return utf8;
}

}  // namespace roruvez
