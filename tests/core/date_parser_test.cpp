#include "core/date_parser.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <string>

#include "core/date_time.h"

namespace tikr {
namespace {

struct ParseCase {
    std::string text;
    DateParseResult result;
    // Expected fields when the result is ok.
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

const DateParseResult OK = DateParseResult::ok;
const DateParseResult NOT_A_DATE = DateParseResult::notADate;
const DateParseResult OUT_OF_RANGE = DateParseResult::outOfRange;

class ParseDateTextTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseDateTextTable, Reads) {
    const ParseCase& c = GetParam();
    double dayNumber = 4242.0;
    EXPECT_EQ(ParseDateText(c.text, dayNumber), c.result);
    if (c.result != OK) {
        EXPECT_EQ(dayNumber, 4242.0) << "a failed parse leaves the output alone";
        return;
    }
    DateTime expected;
    ASSERT_TRUE(expected.SetDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second));
    EXPECT_EQ(dayNumber, expected.GetDayNumber());
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ParseDateTextTable,
    ::testing::Values(
        // As written by Format, in any letter case.
        ParseCase{"08-Dec-2026 14:30:00", OK, 2026, 12, 8, 14, 30, 0},
        ParseCase{"08-dec-2026 14:30:59", OK, 2026, 12, 8, 14, 30, 59},
        ParseCase{"08-DEC-2026 14:30:00", OK, 2026, 12, 8, 14, 30, 0},
        ParseCase{"29-fEb-2024 23:59:59", OK, 2024, 2, 29, 23, 59, 59},
        ParseCase{"01-Jan-100 00:00:00", OK, 100, 1, 1, 0, 0, 0},
        ParseCase{"31-Dec-9999 00:00:00", OK, 9999, 12, 31, 0, 0, 0},
        ParseCase{"18-Jun-1815 11:35:20", OK, 1815, 6, 18, 11, 35, 20},
        // The length of the stored form, read the general way.
        ParseCase{"8-Dec-2026  14:30:00", OK, 2026, 12, 8, 14, 30, 0},
        ParseCase{"08-Dec-2026\t14:30:00", OK, 2026, 12, 8, 14, 30, 0}, ParseCase{"08-Dec-2026 14:3a:00", NOT_A_DATE},
        ParseCase{"08-De1-2026 14:30:00", NOT_A_DATE}, ParseCase{"08-Dec-0999 14:30:00", OK, 999, 12, 8, 14, 30, 0},
        // Shorter forms and full month names.
        ParseCase{"8-Dec-2026", OK, 2026, 12, 8, 0, 0, 0}, ParseCase{"08-December-2026 9:05", OK, 2026, 12, 8, 9, 5, 0},
        ParseCase{"  08-Dec-2026\t14:30:00  ", OK, 2026, 12, 8, 14, 30, 0},
        ParseCase{"08-Dec-2026   14:30", OK, 2026, 12, 8, 14, 30, 0},
        // ISO forms.
        ParseCase{"2026-12-08", OK, 2026, 12, 8, 0, 0, 0}, ParseCase{"2026-12-08 14:30", OK, 2026, 12, 8, 14, 30, 0},
        ParseCase{"2026-12-08T14:30:15", OK, 2026, 12, 8, 14, 30, 15}, ParseCase{"2026-1-8", OK, 2026, 1, 8, 0, 0, 0},
        ParseCase{"0100-01-01", OK, 100, 1, 1, 0, 0, 0},
        // Not dates.
        ParseCase{"", NOT_A_DATE}, ParseCase{"   ", NOT_A_DATE}, ParseCase{"garbage", NOT_A_DATE},
        ParseCase{"31-Feb-2026 10:00:00", NOT_A_DATE}, ParseCase{"29-Feb-2023", NOT_A_DATE},
        ParseCase{"29-Feb-1900", NOT_A_DATE}, ParseCase{"31-Apr-2026", NOT_A_DATE},
        ParseCase{"00-Dec-2026", NOT_A_DATE}, ParseCase{"32-Dec-2026", NOT_A_DATE},
        ParseCase{"08-Dec-2026 24:00:00", NOT_A_DATE}, ParseCase{"08-Dec-2026 14:60:00", NOT_A_DATE},
        ParseCase{"08-Dec-2026 14:30:60", NOT_A_DATE}, ParseCase{"08-Dec-2026 14:30:00x", NOT_A_DATE},
        ParseCase{"08-Dec-2026 14", NOT_A_DATE}, ParseCase{"08-Dec-2026 14:3", NOT_A_DATE},
        ParseCase{"08-Dex-2026", NOT_A_DATE}, ParseCase{"08-Dece-2026", NOT_A_DATE},
        ParseCase{"08 Dec 2026", NOT_A_DATE}, ParseCase{"08-Dec-", NOT_A_DATE}, ParseCase{"123-Dec-2026", NOT_A_DATE},
        ParseCase{"08-12-2026", NOT_A_DATE}, ParseCase{"2026-13-01", NOT_A_DATE}, ParseCase{"2026-12-08T", NOT_A_DATE},
        ParseCase{"2026-12-08x14:00", NOT_A_DATE}, ParseCase{"-08-Dec-2026", NOT_A_DATE},
        ParseCase{"08-Dec-2026T14:30", NOT_A_DATE}, ParseCase{"14:30", NOT_A_DATE},
        ParseCase{"08-Dec-2026 14:30:00 14:30", NOT_A_DATE},
        ParseCase{std::string("08-Dec-2026\0 14:30:00", 21), NOT_A_DATE}, ParseCase{std::string("\0", 1), NOT_A_DATE},
        ParseCase{"08-D\xe9"
                  "c-2026",
                  NOT_A_DATE},
        ParseCase{"\xff\xfe\x80", NOT_A_DATE},
        // Dates outside the range.
        ParseCase{"08-Dec-0099 10:00:00", OUT_OF_RANGE}, ParseCase{"08-Dec-99", OUT_OF_RANGE},
        ParseCase{"08-Dec-0 10:00:00", OUT_OF_RANGE}, ParseCase{"01-Jan-10000", OUT_OF_RANGE},
        ParseCase{"0099-12-31", OUT_OF_RANGE}, ParseCase{"10000-01-01 00:00", OUT_OF_RANGE},
        ParseCase{"1-jAn-100 4:30:00", OUT_OF_RANGE}, ParseCase{"31-Dec-9999 00:00:01", OUT_OF_RANGE},
        ParseCase{"01-Jan-" + std::string(1000, '9'), OUT_OF_RANGE},
        ParseCase{std::string(500, '9') + "-01-01", OUT_OF_RANGE}),
    NamedBy<ParseCase>([](const ParseCase& c) { return c.text; }));

TEST(ParseDateText, SurvivesHugeText) {
    double dayNumber = 0;
    EXPECT_EQ(ParseDateText(std::string(1 << 22, '7'), dayNumber), NOT_A_DATE);
    EXPECT_EQ(ParseDateText(std::string(1 << 22, ' '), dayNumber), NOT_A_DATE);
    EXPECT_EQ(ParseDateText("08-Dec-2026 " + std::string(1 << 22, '0'), dayNumber), NOT_A_DATE);
    EXPECT_EQ(ParseDateText("08-" + std::string(1 << 22, 'a') + "-2026", dayNumber), NOT_A_DATE);
    std::string everyByte;
    for (int c = 0; c < 256; ++c) everyByte += static_cast<char>(c);
    EXPECT_EQ(ParseDateText(everyByte, dayNumber), NOT_A_DATE);
}

}  // namespace
}  // namespace tikr
