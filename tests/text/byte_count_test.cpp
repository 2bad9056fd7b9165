#include "text/byte_count.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/error.h"
#include "text/number_text.h"

namespace roruvez {
namespace {

TEST(ByteCount, WholeNumbersWithSplitsSuffixesOnly) {
    struct Case {
        std::string text;
        std::optional<std::int64_t> bytes;
    };
    const Case cases[] = {
        {"0", 0},
        {"700", 700},
        {"700k", 716800},
        {"700K", 716800},
        {"700KiB", 716800},
        {"700kib", 716800},
        {"700KB", 700000},
        {"700kB", 700000},
        {"2M", 2097152},
        {"2MiB", 2097152},
        {"2MB", 2000000},
        {"2mb", 2000000},
        {"1G", 1073741824},
        {"1GiB", 1073741824},
        {"1GB", 1000000000},
        {"007", 7},
        {"9223372036854775807", INT64_MAX},
        {"9223372036854775808", std::nullopt},
        {"9007199254740992G", std::nullopt},
        {"", std::nullopt},
        {"k", std::nullopt},
        {"1.44MB", std::nullopt},
        {"1,400", std::nullopt},
        {" 700", std::nullopt},
        {"700 ", std::nullopt},
        {"+700", std::nullopt},
        {"-700", std::nullopt},
        {"700B", std::nullopt},
        {"700T", std::nullopt},
        {"700KiBB", std::nullopt},
        {"700Ki", std::nullopt},
        {"&H100", std::nullopt},
        {"1e3", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(readByteCount(c.text), c.bytes) << "\"" << c.text << "\"";
    }
}

// The piece size box takes the console's suffixes, after a decimal too ("1.44M" is 1.44 MiB, to
// the nearest byte), and reads every other text as before.
TEST(PieceSizeText, SuffixesReadAsTheConsoleReadsThemAndAllElseAsBefore) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"700K", 716800},
        {"700k", 716800},
        {"700 K", 716800},
        {" 700KiB ", 716800},
        {"700 kb", 700000},
        {"2M", 2097152},
        {"2 MiB", 2097152},
        {"2mb", 2000000},
        {"1G", 1073741824},
        {"1GB", 1000000000},
        {"1400000", 1400000},
        {" 14 00 000", 1400000},
        {"1 400K", 1400},
        {"1.5M", 1572864},
        {"1.44M", 1509949},
        {"1.44MB", 1440000},
        {"2.5K", 2560},
        {"1.5G", 1610612736},
        {"0.0000015K", 0},
        {"1.5", 2},
        {"1.5.5K", 2},
        {"1.K", 1024},
        {"-5K", -5},
        {"700T", 700},
        {"700KiBB", 700},
        {"700B", 700},
        {"&H10K", 16},
        {"1e3K", 1000},
        {"K", 0},
        {"abc", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readPieceSizeText(c.text), c.value) << '"' << c.text << '"';
    }
    for (const char* text : {"2G", "3GB", "2097152K", "9999999999", "2.0G", "1.9999999999G"}) {
        try {
            readPieceSizeText(text);
            ADD_FAILURE() << text << " read without failing";
        } catch (const PlatformError& failure) {
            EXPECT_STREQ(failure.what(), "Overflow") << text;
        }
    }
}

}  // namespace
}  // namespace roruvez
