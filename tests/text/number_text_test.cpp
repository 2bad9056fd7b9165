#include "text/number_text.h"

#include <gtest/gtest.h>

#include "platform/error.h"

namespace roruvez {
namespace {

TEST(NumberText, ReadsTheWayThePieceSizeBoxIsRead) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"1400000", 1400000},
        {" 14 00 000", 1400000},
        {"1,400,000", 1},
        {"&H10", 16},
        {"&O17", 15},
        {"&h1f", 31},
        {"1e3", 1000},
        {"2.5", 2},
        {"3.5", 4},
        {"-2.5", -2},
        {"-5", -5},
        {"abc", 0},
        {"", 0},
        {"  \t\n", 0},
        {"+7", 7},
        {".5", 0},
        {"1.5e1", 15},
        {"12abc", 12},
        {"1e", 1},
        {"1e-400", 0},
        {"&H", 0},
        {"&X10", 0},
        {"-", 0},
        {"1\t2\n3", 123},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483648LL},
        {"1d2", 100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readNumberText(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(NumberText, OutsideTheSignedRangeIsAnOverflow) {
    for (const char* text : {"99999999999", "2147483648", "-2147483649", "1e400", "&HFFFFFFFF"}) {
        try {
            readNumberText(text);
            ADD_FAILURE() << text << " read without failing";
        } catch (const PlatformError& failure) {
            EXPECT_STREQ(failure.what(), "Overflow") << text;
        }
    }
}

}  // namespace
}  // namespace roruvez
