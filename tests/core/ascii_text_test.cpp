#include "store/ascii_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <string_view>

namespace tikr {
namespace {

TEST(AsciiTextTest, CaseFoldingTouchesOnlyAsciiLetters) {
    EXPECT_EQ(LowerAscii('Q'), 'q');
    EXPECT_EQ(UpperAscii('q'), 'Q');
    for (const char c : {'@', '[', '`', '{', '5', '\xC4', '\xE4'}) {
        EXPECT_EQ(LowerAscii(c), c);
        EXPECT_EQ(UpperAscii(c), c);
    }
    EXPECT_TRUE(EqualsIgnoreCase("SkipDays", "skipdays"));
    EXPECT_TRUE(EqualsIgnoreCase("", ""));
    EXPECT_FALSE(EqualsIgnoreCase("No", "Non"));
    EXPECT_FALSE(EqualsIgnoreCase("\xC4", "\xE4"));  // no case outside ASCII
    EXPECT_FALSE(EqualsIgnoreCase("@", "`"));        // 0x40 and 0x60 differ by the case bit only
}

TEST(AsciiTextTest, EnclosedInQuotesNeedsOneMatchingPair) {
    EXPECT_TRUE(IsEnclosedInQuotes("\"\""));
    EXPECT_TRUE(IsEnclosedInQuotes("'a b'"));
    EXPECT_TRUE(IsEnclosedInQuotes("\"x\""));
    EXPECT_FALSE(IsEnclosedInQuotes("\""));
    EXPECT_FALSE(IsEnclosedInQuotes("'x\""));
    EXPECT_FALSE(IsEnclosedInQuotes("\"x"));
    EXPECT_FALSE(IsEnclosedInQuotes(""));
}

TEST(AsciiTextTest, ReadIntegerReadsSignAndDigitsToTheFirstOtherCharacter) {
    struct Case {
        std::string_view text;
        SignRule sign;
        int value;
        bool hasDigits;
        std::size_t end;
    };
    const Case cases[] = {
        {"42", SignRule::allowed, 42, true, 2},
        {"-7:30", SignRule::allowed, -7, true, 2},
        {"+0009x", SignRule::allowed, 9, true, 5},
        {"", SignRule::allowed, 0, false, 0},
        {"-", SignRule::allowed, 0, false, 0},
        {"+x", SignRule::allowed, 0, false, 0},
        {" 5", SignRule::allowed, 0, false, 0},  // nothing is skipped
        {"-5", SignRule::none, 0, false, 0},
        {"12-Jan", SignRule::none, 12, true, 2},
        {"2147483647", SignRule::allowed, INT_MAX, true, 10},
        {"2147483648", SignRule::allowed, INT_MAX, true, 10},
        {"-2147483648", SignRule::allowed, INT_MIN, true, 11},
        {"-2147483649", SignRule::allowed, INT_MIN, true, 11},
        {"99999999999999999999999999999999999999;", SignRule::allowed, INT_MAX, true, 38},
        {"-99999999999999999999999999999999999999", SignRule::allowed, INT_MIN, true, 39},
    };
    for (const Case& c : cases) {
        const IntegerPrefix read = ReadInteger(c.text, c.sign);
        EXPECT_EQ(read.value, c.value) << c.text;
        EXPECT_EQ(read.hasDigits, c.hasDigits) << c.text;
        EXPECT_EQ(read.end, c.end) << c.text;
    }
}

}  // namespace
}  // namespace tikr
