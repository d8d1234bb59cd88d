// Formatting of date-times and reading their stored text back.
#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>

#include "core/date_time.h"
#include "date_values.h"

namespace tikr {
namespace {

using test::DAY_ZERO;
using test::Make;
namespace chr = std::chrono;

// ---- Format ----

TEST(DateTimeFormat, StoredPatterns) {
    EXPECT_EQ(Make(2026, 12, 8, 14, 30, 0).Format("%d-%b-%Y %H:%M:%S"), "08-Dec-2026 14:30:00");
    EXPECT_EQ(Make(2026, 1, 5, 8, 5, 9).Format("%H:%M"), "08:05");
    EXPECT_EQ(Make(100, 1, 1).Format("%d-%b-%Y %H:%M:%S"), "01-Jan-100 00:00:00");
    EXPECT_EQ(DateTime(3.5, DateTimeStatus::invalid).Format("%H:%M"), "");
    EXPECT_EQ(DateTime(3.5, DateTimeStatus::invalid).Format("%d-%b-%Y %H:%M:%S"), "");
}

struct FormatCase {
    const char* pattern;
    const char* text;
};

TEST(DateTimeFormat, Conversions) {
    const DateTime v = Make(2026, 12, 8, 14, 3, 5);  // a Tuesday
    const FormatCase cases[] = {
        {"%a %A", "Tue Tuesday"},
        {"%b %B %h", "Dec December Dec"},
        {"%I %p", "02 PM"},
        {"%j", "342"},
        {"%e|%d", " 8|08"},
        {"%y %C", "26 20"},
        {"100%%", "100%"},
        {"%Q %E", "%Q %E"},
        {"tail %", "tail %"},
        {"", ""},
        {"no conversions", "no conversions"},
        {"%F %T", "2026-12-08 14:03:05"},
        {"%u %w", "2 2"},
    };
    for (const auto& c : cases) EXPECT_EQ(v.Format(c.pattern), c.text) << c.pattern;
    EXPECT_EQ(Make(2026, 1, 1, 0, 0, 0).Format("%I:%M %p"), "12:00 AM");
    EXPECT_EQ(Make(2026, 1, 1, 12, 0, 0).Format("%I:%M %p"), "12:00 PM");
}

TEST(DateTimeFormat, OutputStopsAt127Characters) {
    const DateTime v = Make(2026, 12, 8);
    EXPECT_EQ(v.Format(std::string(200, 'x')), std::string(127, 'x'));
    const std::string many = v.Format(std::string(2000, '%') + "B");
    EXPECT_EQ(many, std::string(127, '%'));
    EXPECT_EQ(v.Format(std::string(120, 'x') + "%B").size(), 127u);
}

std::string CLibraryFormat(const std::string& pattern, const std::tm& tm) {
    char text[256];
    const std::size_t length = std::strftime(text, sizeof text, pattern.c_str(), &tm);
    return std::string(text, length);
}

// The conversions agree with the C library's in the "C" locale (which
// this test program never leaves) over many random moments.
TEST(DateTimeFormat, AgreesWithTheCLibrary) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows C library's strftime lacks the C99 conversions (%C, %D, %e, ...)";
#endif
    const std::string patterns[] = {
        "%a|%A|%b|%B|%c|%C|%d|%D|%e|%h|%H|%I|%j|%m",
        "%M|%n|%p|%r|%R|%S|%t|%T|%u|%U|%w|%W|%x|%X|%y|%Y|%%",
        "%d-%b-%Y %H:%M:%S",
    };
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<long long> days((chr::sys_days(chr::year(1000) / 1 / 1) - DAY_ZERO).count(),
                                                  static_cast<long long>(DateTime::MAX_DAY_NUMBER));
    std::uniform_int_distribution<int> seconds(0, 86399);
    for (int i = 0; i < 5000; ++i) {
        const chr::sys_days day = DAY_ZERO + chr::days(days(rng));
        const int sec = seconds(rng);
        const chr::year_month_day ymd(day);
        std::tm tm{};
        tm.tm_year = int(ymd.year()) - 1900;
        tm.tm_mon = int(unsigned(ymd.month())) - 1;
        tm.tm_mday = int(unsigned(ymd.day()));
        tm.tm_hour = sec / 3600;
        tm.tm_min = sec / 60 % 60;
        tm.tm_sec = sec % 60;
        tm.tm_wday = int(chr::weekday(day).c_encoding());
        tm.tm_yday = int((day - chr::sys_days(ymd.year() / 1 / 1)).count());
        const DateTime v = Make(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day())), tm.tm_hour,
                                tm.tm_min, tm.tm_sec);
        for (const std::string& pattern : patterns)
            ASSERT_EQ(v.Format(pattern), CLibraryFormat(pattern, tm)) << pattern;
    }
}

// ---- Parse ----

TEST(DateTimeParse, ReadsBackWhatFormatWrites) {
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> year(100, 9999), month(1, 12), day(1, 31), second(0, 86399);
    std::uniform_int_distribution<long long> raw(-657434LL * 1000, 2958465LL * 1000);
    for (int i = 0; i < 200000; ++i) {
        DateTime original;
        if (i % 2 == 0) {
            const int s = second(rng);
            if (!original.SetDateTime(year(rng), month(rng), day(rng), s / 3600, s / 60 % 60, s % 60))
                continue;  // a day the month lacks
        } else {
            original = DateTime(double(raw(rng)) / 1000 + 0.000123);  // any value, not whole seconds
            if (original.GetYear() < 0) continue;
        }
        const std::string text = original.Format("%d-%b-%Y %H:%M:%S");
        DateTime back(77.0, DateTimeStatus::invalid);
        ASSERT_TRUE(back.Parse(text)) << text;
        ASSERT_TRUE(back.IsValid());
        ASSERT_EQ(back.Format("%d-%b-%Y %H:%M:%S"), text);
        if (i % 2 == 0) {
            ASSERT_EQ(back.GetDayNumber(), original.GetDayNumber()) << text;
        }
    }
}

TEST(DateTimeParse, FailuresSetTheDocumentedDayNumber) {
    DateTime v = Make(2026, 12, 8);
    EXPECT_FALSE(v.Parse(""));
    EXPECT_EQ(v.GetStatus(), DateTimeStatus::invalid);
    EXPECT_EQ(v.GetDayNumber(), 0.0);

    v = Make(2026, 12, 8);
    EXPECT_FALSE(v.Parse("31-Feb-2026 10:00:00"));
    EXPECT_EQ(v.GetStatus(), DateTimeStatus::invalid);
    EXPECT_EQ(v.GetDayNumber(), 0.0);

    v = Make(2026, 12, 8);
    EXPECT_FALSE(v.Parse("08-Dec-10000 10:00:00"));
    EXPECT_EQ(v.GetStatus(), DateTimeStatus::invalid);
    EXPECT_EQ(v.GetDayNumber(), -1.0);

    v = DateTime(0.0, DateTimeStatus::invalid);
    EXPECT_TRUE(v.Parse("08-dec-2026 14:30:00"));
    EXPECT_TRUE(v.IsValid());
    EXPECT_EQ(v.GetDayNumber(), Make(2026, 12, 8, 14, 30, 0).GetDayNumber());
}

}  // namespace
}  // namespace tikr
