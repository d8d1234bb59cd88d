#include "core/date_time.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <random>
#include <string>

#include "date_values.h"
#include "fake_clock.h"

namespace tikr {
namespace {

using test::DAY_ZERO;
using test::Make;
namespace chr = std::chrono;

// The day-number formula written out with its integer divisions, as an
// oracle for the calendar arithmetic.
long long FormulaDayNumber(int y, int m, int d) {
    static const int before[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    long long n = y * 365LL + y / 4 - y / 100 + y / 400 + before[m - 1] + d;
    if (leap && m <= 2) --n;
    return n - 693959;
}

struct FieldsSeen {
    int year, month, day, hour, minute, second;
};

void ExpectFields(const DateTime& v, FieldsSeen f) {
    EXPECT_EQ(v.GetYear(), f.year);
    EXPECT_EQ(v.GetMonth(), f.month);
    EXPECT_EQ(v.GetDay(), f.day);
    EXPECT_EQ(v.GetHour(), f.hour);
    EXPECT_EQ(v.GetMinute(), f.minute);
    EXPECT_EQ(v.GetSecond(), f.second);
}

// Every day of the range against the standard library's calendar: day
// number, fields read back and day of week. The time of day varies with
// the day so that every second of a day is met somewhere in the sweep; on
// the first and last day only midnight lies inside the readable range.
TEST(DateTimeCalendar, EveryDayOfTheRangeMatchesTheStandardCalendar) {
    const chr::sys_days first = chr::sys_days(chr::year(100) / 1 / 1);
    const chr::sys_days last = chr::sys_days(chr::year(9999) / 12 / 31);
    int failures = 0;
    for (chr::sys_days day = first; day <= last && failures < 10; day += chr::days(1)) {
        const chr::year_month_day ymd(day);
        const int y = int(ymd.year()), m = int(unsigned(ymd.month())), d = int(unsigned(ymd.day()));
        const long long n = (day - DAY_ZERO).count();
        const bool endDay = day == first || day == last;
        const int secondOfDay = endDay ? 0 : int((n * 7919) % 86400 + 86400) % 86400;
        const int h = secondOfDay / 3600, mi = secondOfDay / 60 % 60, s = secondOfDay % 60;
        DateTime v;
        if (!v.SetDateTime(y, m, d, h, mi, s)) {
            ADD_FAILURE() << "rejected " << y << "-" << m << "-" << d;
            ++failures;
            continue;
        }
        const double t = secondOfDay / 86400.0;
        const double expected = n >= 0 ? double(n) + t : double(n) - t;
        const bool ok = n == FormulaDayNumber(y, m, d) && v.GetDayNumber() == expected && v.GetYear() == y &&
                        v.GetMonth() == m && v.GetDay() == d && v.GetHour() == h && v.GetMinute() == mi &&
                        v.GetSecond() == s && v.GetDayOfWeek() == int(chr::weekday(day).c_encoding()) + 1;
        if (!ok) {
            ADD_FAILURE() << y << "-" << m << "-" << d << " " << h << ":" << mi << ":" << s << " day number "
                          << v.GetDayNumber() << " expected " << expected << " read " << v.GetYear() << "-"
                          << v.GetMonth() << "-" << v.GetDay() << " " << v.GetHour() << ":" << v.GetMinute() << ":"
                          << v.GetSecond() << " weekday " << v.GetDayOfWeek();
            ++failures;
        }
    }
}

struct SetCase {
    int y, mo, d, h, mi, s;
    bool accepted;
};

class SetDateTimeTable : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetDateTimeTable, AcceptsExactlyTheCalendarFields) {
    const SetCase c = GetParam();
    DateTime v(1234.5);
    EXPECT_EQ(v.SetDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s), c.accepted);
    if (c.accepted) {
        EXPECT_TRUE(v.IsValid());
    } else {
        EXPECT_EQ(v.GetStatus(), DateTimeStatus::invalid);
        EXPECT_EQ(v.GetDayNumber(), 1234.5) << "a refused call keeps the earlier day number";
        EXPECT_EQ(v.GetYear(), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, SetDateTimeTable,
                         ::testing::Values(SetCase{2024, 2, 29, 0, 0, 0, true}, SetCase{2023, 2, 29, 0, 0, 0, false},
                                           SetCase{1900, 2, 29, 0, 0, 0, false}, SetCase{2000, 2, 29, 0, 0, 0, true},
                                           SetCase{2026, 4, 31, 10, 0, 0, false}, SetCase{2026, 4, 30, 10, 0, 0, true},
                                           SetCase{2026, 12, 31, 23, 59, 59, true},
                                           SetCase{2026, 1, 1, 24, 0, 0, false}, SetCase{2026, 1, 1, 0, 60, 0, false},
                                           SetCase{2026, 1, 1, 0, 0, 60, false}, SetCase{2026, 1, 1, -1, 0, 0, false},
                                           SetCase{2026, 1, 1, 0, -1, 0, false}, SetCase{2026, 1, 1, 0, 0, -1, false},
                                           SetCase{-2026, 1, 1, 0, 0, 0, false}, SetCase{2026, 0, 1, 0, 0, 0, false},
                                           SetCase{2026, 13, 1, 0, 0, 0, false}, SetCase{2026, 1, 0, 0, 0, 0, false},
                                           SetCase{2026, 1, 32, 0, 0, 0, false}, SetCase{2026, -1, 1, 0, 0, 0, false},
                                           SetCase{9999, 12, 31, 0, 0, 0, true}, SetCase{10000, 1, 1, 0, 0, 0, false},
                                           // Too big for 16 bits: refused, not wrapped round to 2026.
                                           SetCase{65536 + 2026, 1, 1, 0, 0, 0, false},
                                           SetCase{2026, 1, 1, 65536 + 1, 0, 0, false}),
                         NamedBy<SetCase>([](const SetCase& c) {
                             return std::to_string(c.y) + "-" + std::to_string(c.mo) + "-" + std::to_string(c.d) + " " +
                                    std::to_string(c.h) + ":" + std::to_string(c.mi) + ":" + std::to_string(c.s);
                         }));

TEST(DateTimeFields, TimeOfDayAloneLivesOnDayZero) {
    const DateTime t = Make(1899, 12, 30, 8, 5, 0);
    EXPECT_EQ(t.GetDayNumber(), (8 * 3600 + 5 * 60) / 86400.0);
    EXPECT_EQ(t.Format("%H:%M"), "08:05");
    EXPECT_EQ(DateTime().GetDayNumber(), 0.0);
    EXPECT_TRUE(DateTime().IsValid());
}

struct DayOfWeekCase {
    int y, mo, d, dayOfWeek;
};

TEST(DateTimeFields, DayOfWeekCountsFromSunday) {
    const DayOfWeekCase cases[] = {
        {1899, 12, 30, 7}, {1899, 12, 31, 1}, {2026, 12, 8, 3}, {1899, 12, 29, 6},
        {100, 1, 1, 6},    {9999, 12, 31, 6}, {2024, 2, 29, 5}, {2000, 3, 1, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Make(c.y, c.mo, c.d).GetDayOfWeek(), c.dayOfWeek) << c.y << "-" << c.mo << "-" << c.d;
}

// Before 1899-12-30 the whole part goes down while the fraction still
// counts forward from midnight.
TEST(DateTimeFields, NegativeDayNumbersCountTheTimeForward) {
    ExpectFields(DateTime(-1.25), {1899, 12, 29, 6, 0, 0});
    ExpectFields(DateTime(-1.75), {1899, 12, 29, 18, 0, 0});
    ExpectFields(DateTime(-0.5), {1899, 12, 30, 12, 0, 0});
    const DateTime old = Make(1815, 6, 18, 11, 35, 20);
    EXPECT_LT(old.GetDayNumber(), 0.0);
    EXPECT_EQ(old.GetDayNumber(), FormulaDayNumber(1815, 6, 18) - (11 * 3600 + 35 * 60 + 20) / 86400.0);
    ExpectFields(old, {1815, 6, 18, 11, 35, 20});
    EXPECT_EQ(old.Format("%d-%b-%Y %H:%M:%S"), "18-Jun-1815 11:35:20");
}

TEST(DateTimeFields, ReadsTheNearestSecond) {
    const double second = 1.0 / 86400;
    // Just under a whole second reads as that second; half a second rounds up.
    ExpectFields(DateTime(0.5 + 10 * second - 0.1 * second), {1899, 12, 30, 12, 0, 10});
    ExpectFields(DateTime(0.5 + 10.6 * second), {1899, 12, 30, 12, 0, 11});
    // 23:59:59.5 and later is midnight of the next day, on both sides of day 0.
    ExpectFields(DateTime(46000 + 1 - 0.4 * second), {2025, 12, 10, 0, 0, 0});
    ExpectFields(DateTime(-2 - (1 - 0.4 * second)), {1899, 12, 29, 0, 0, 0});
    ExpectFields(DateTime(-1 - (1 - 0.4 * second)), {1899, 12, 30, 0, 0, 0});
    ExpectFields(DateTime(-(1 - 0.4 * second)), {1899, 12, 31, 0, 0, 0});
}

TEST(DateTimeFields, OutsideTheRangeReadsMinusOne) {
    const DateTime values[] = {
        DateTime(2958465.5),  // 9999-12-31 12:00, past the last readable moment
        DateTime(2958466.0),
        DateTime(-657434.25),  // 0100-01-01 06:00 is below the lowest day number
        DateTime(-657435.0),  DateTime(1000.0, DateTimeStatus::invalid), DateTime(std::nan("")), DateTime(HUGE_VAL),
        Make(99, 12, 31),  // accepted by SetDateTime, outside the readable range
    };
    for (const DateTime& v : values) {
        EXPECT_EQ(v.GetYear(), -1) << v.GetDayNumber();
        EXPECT_EQ(v.GetMonth(), -1);
        EXPECT_EQ(v.GetDay(), -1);
        EXPECT_EQ(v.GetHour(), -1);
        EXPECT_EQ(v.GetMinute(), -1);
        EXPECT_EQ(v.GetSecond(), -1);
        EXPECT_EQ(v.GetDayOfWeek(), -1);
        EXPECT_EQ(v.Format("%H:%M"), "");
        EXPECT_EQ(v.Format("%d-%b-%Y %H:%M:%S"), "");
    }
    ExpectFields(DateTime(DateTime::MAX_DAY_NUMBER), {9999, 12, 31, 0, 0, 0});
    ExpectFields(DateTime(DateTime::MIN_DAY_NUMBER), {100, 1, 1, 0, 0, 0});
}

TEST(DateTimeNow, TakesTheClockFields) {
    test::FakeClock clock(2026, 12, 8, 14, 30, 5);
    const DateTime now = DateTime::Now(clock);
    EXPECT_TRUE(now.IsValid());
    EXPECT_EQ(now.GetDayNumber(), Make(2026, 12, 8, 14, 30, 5).GetDayNumber());

    clock.available = false;
    EXPECT_EQ(DateTime::Now(clock).GetStatus(), DateTimeStatus::invalid);

    clock.Set(2026, 2, 30, 0, 0, 0);  // a clock giving nonsense
    EXPECT_EQ(DateTime::Now(clock).GetStatus(), DateTimeStatus::invalid);
}

TEST(DateTimeSpanTest, AddsItsParts) {
    EXPECT_DOUBLE_EQ(DateTimeSpan(1, 0, 0, 0).GetSpan(), 1.0);
    EXPECT_DOUBLE_EQ(DateTimeSpan(0, 1, 30, 0).GetSpan(), 1.5 / 24);
    EXPECT_DOUBLE_EQ(DateTimeSpan(2, 12, 0, 43200).GetSpan(), 3.0);
    EXPECT_DOUBLE_EQ(DateTimeSpan(-1, 0, 0, 0).GetSpan(), -1.0);
    EXPECT_DOUBLE_EQ(DateTimeSpan(0, -6, 0, 0).GetSpan(), -0.25);
}

struct AddCase {
    FieldsSeen from;
    DateTimeSpan span;
    FieldsSeen to;
};

TEST(DateTimeAddition, MovesAlongTheCalendar) {
    const AddCase cases[] = {
        {{2026, 12, 31, 10, 0, 0}, DateTimeSpan(1, 0, 0, 0), {2027, 1, 1, 10, 0, 0}},
        {{2026, 12, 8, 23, 0, 0}, DateTimeSpan(0, 1, 30, 0), {2026, 12, 9, 0, 30, 0}},
        {{2024, 2, 28, 12, 0, 0}, DateTimeSpan(1, 0, 0, 0), {2024, 2, 29, 12, 0, 0}},
        {{2023, 2, 28, 12, 0, 0}, DateTimeSpan(1, 0, 0, 0), {2023, 3, 1, 12, 0, 0}},
        {{2027, 1, 1, 0, 0, 0}, DateTimeSpan(0, 0, 0, -1), {2026, 12, 31, 23, 59, 59}},
        // Across day 0 and within the days before it.
        {{1899, 12, 29, 6, 0, 0}, DateTimeSpan(1, 0, 0, 0), {1899, 12, 30, 6, 0, 0}},
        {{1899, 12, 29, 20, 0, 0}, DateTimeSpan(0, 6, 0, 0), {1899, 12, 30, 2, 0, 0}},
        {{1899, 12, 30, 2, 0, 0}, DateTimeSpan(0, -6, 0, 0), {1899, 12, 29, 20, 0, 0}},
        {{1899, 12, 29, 6, 0, 0}, DateTimeSpan(0, 12, 0, 0), {1899, 12, 29, 18, 0, 0}},
        {{1815, 6, 18, 23, 0, 0}, DateTimeSpan(0, 2, 0, 0), {1815, 6, 19, 1, 0, 0}},
        {{1799, 12, 31, 23, 59, 59}, DateTimeSpan(0, 0, 0, 1), {1800, 1, 1, 0, 0, 0}},
        {{1900, 1, 1, 0, 0, 0}, DateTimeSpan(-3, 0, 0, 0), {1899, 12, 29, 0, 0, 0}},
    };
    for (const AddCase& c : cases) {
        const DateTime from = Make(c.from.year, c.from.month, c.from.day, c.from.hour, c.from.minute, c.from.second);
        const DateTime sum = from + c.span;
        SCOPED_TRACE(from.Format("%Y-%m-%d %H:%M:%S") + " + " + std::to_string(c.span.GetSpan()));
        EXPECT_TRUE(sum.IsValid());
        ExpectFields(sum, c.to);
        DateTime inPlace = from;
        inPlace += c.span;
        EXPECT_EQ(inPlace.GetDayNumber(), sum.GetDayNumber());
    }
}

TEST(DateTimeAddition, InvalidOperandGivesInvalidDayZero) {
    DateTime bad(5000.25, DateTimeStatus::invalid);
    const DateTime sum = bad + DateTimeSpan(1, 0, 0, 0);
    EXPECT_EQ(sum.GetStatus(), DateTimeStatus::invalid);
    EXPECT_EQ(sum.GetDayNumber(), 0.0);
    bad += DateTimeSpan(1, 0, 0, 0);
    EXPECT_EQ(bad.GetDayNumber(), 0.0);
}

TEST(DateTimeAddition, LeavingTheRangeMakesInvalidAndKeepsTheSum) {
    const DateTime last = Make(9999, 12, 31);
    EXPECT_TRUE((last + DateTimeSpan(0, 0, 0, 0)).IsValid());
    const DateTime over = last + DateTimeSpan(0, 0, 0, 1);
    EXPECT_EQ(over.GetStatus(), DateTimeStatus::invalid);
    EXPECT_DOUBLE_EQ(over.GetDayNumber(), DateTime::MAX_DAY_NUMBER + 1.0 / 86400);

    const DateTime first = Make(100, 1, 1);
    const DateTime under = first + DateTimeSpan(-1, 0, 0, 0);
    EXPECT_EQ(under.GetStatus(), DateTimeStatus::invalid);
    EXPECT_EQ(under.GetDayNumber(), DateTime::MIN_DAY_NUMBER - 1);
    // Once invalid, further additions restart from day 0.
    EXPECT_EQ((under + DateTimeSpan(1, 0, 0, 0)).GetDayNumber(), 0.0);
}

TEST(DateTimeCompare, UsesTheContinuousTimeLine) {
    const DateTime a = Make(2026, 12, 8, 14, 30, 0);
    const DateTime same = Make(2026, 12, 8, 14, 30, 0);
    EXPECT_FALSE(a < same);
    EXPECT_TRUE(a <= same);
    EXPECT_TRUE(a >= same);

    // Ordered pairs, earlier first; the negative ones would compare the
    // wrong way round as plain day numbers.
    const std::pair<DateTime, DateTime> ordered[] = {
        {Make(1899, 12, 29, 6, 0, 0), Make(1899, 12, 29, 18, 0, 0)},
        {Make(1899, 12, 29, 23, 59, 59), Make(1899, 12, 30, 0, 0, 0)},
        {Make(1815, 6, 18, 0, 0, 1), Make(1815, 6, 18, 23, 0, 0)},
        {Make(1815, 6, 18, 23, 0, 0), Make(1815, 6, 19, 1, 0, 0)},
        {Make(2026, 12, 8, 14, 30, 0), Make(2026, 12, 8, 14, 30, 1)},
        {Make(100, 1, 1), Make(9999, 12, 31)},
    };
    for (const auto& [early, late] : ordered) {
        SCOPED_TRACE(early.Format("%Y-%m-%d %H:%M:%S") + " / " + late.Format("%Y-%m-%d %H:%M:%S"));
        EXPECT_TRUE(early < late);
        EXPECT_TRUE(early <= late);
        EXPECT_FALSE(early >= late);
        EXPECT_FALSE(late < early);
        EXPECT_FALSE(late <= early);
        EXPECT_TRUE(late >= early);
        EXPECT_TRUE(late > early);
    }
    // The status is not looked at.
    EXPECT_TRUE(DateTime(1.0, DateTimeStatus::invalid) < DateTime(2.0));
}

}  // namespace
}  // namespace tikr
