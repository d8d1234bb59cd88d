// Timing rules: next-run computation at the edges, the due test, loading
// with the run-missed rule and saving every key.
#include <gtest/gtest.h>

#include <ostream>

#include "core/schedule.h"
#include "core/task.h"
#include "core_fixture.h"

namespace tikr::test {
namespace {

using ScheduleTest = CoreFixture;

struct NextRunCase {
    const char* name;
    LocalTimeFields now;
    int kind;  // 0 daily, 1 weekly, 2 monthly, 3 interval
    int hour, minute;
    int value;  // weekly: day of week; monthly: day of month
    DailySchedule::SkipDays skip;
    const char* expected;
};

void PrintTo(const NextRunCase& c, std::ostream* os) { *os << c.name; }

class NextRunTable : public CoreFixture, public ::testing::WithParamInterface<NextRunCase> {};

std::unique_ptr<Schedule> Build(const CoreServices& services, const NextRunCase& c) {
    const DateTime time = TimeOfDay(c.hour, c.minute);
    switch (c.kind) {
    case 0: return std::make_unique<DailySchedule>(services, time, 1, c.skip);
    case 1: return std::make_unique<WeeklySchedule>(services, time, 1, c.value);
    case 2: return std::make_unique<MonthlySchedule>(services, time, 1, c.value);
    default: return std::make_unique<IntervalSchedule>(services, time, 1);
    }
}

TEST_P(NextRunTable, ComputesTheFirstRunAfterNow) {
    const NextRunCase& c = GetParam();
    clock.fields = c.now;
    const auto schedule = Build(services, c);
    EXPECT_EQ(Stamp(schedule->GetNextRun()), c.expected);
    EXPECT_TRUE(schedule->GetNextRun().IsValid());
    const DateTime now = DateTime::Now(clock);
    if (c.kind == 3) {
        EXPECT_TRUE(schedule->GetNextRun() >= now);
    } else {
        EXPECT_TRUE(now < schedule->GetNextRun());
    }
}

constexpr DailySchedule::SkipDays NO_SKIP{0, 0, 0, 0, 0, 0, 0};
constexpr DailySchedule::SkipDays WEEKEND{1, 0, 0, 0, 0, 0, 1};
constexpr DailySchedule::SkipDays ALL_DAYS{1, 1, 1, 1, 1, 1, 1};

INSTANTIATE_TEST_SUITE_P(
    Rules, NextRunTable,
    ::testing::Values(
        NextRunCase{
            "DailyAtExactlyNowMovesToTomorrow", {2026, 12, 8, 8, 0, 0}, 0, 8, 0, 0, NO_SKIP, "09-Dec-2026 08:00:00"},
        NextRunCase{"DailyLaterToday", {2026, 12, 8, 7, 59, 59}, 0, 8, 0, 0, NO_SKIP, "08-Dec-2026 08:00:00"},
        NextRunCase{
            "DailyFridayEveningSkipsWeekend", {2026, 12, 11, 9, 0, 0}, 0, 8, 0, 0, WEEKEND, "14-Dec-2026 08:00:00"},
        NextRunCase{"DailyAcrossYearEnd", {2026, 12, 31, 23, 0, 0}, 0, 8, 0, 0, NO_SKIP, "01-Jan-2027 08:00:00"},
        NextRunCase{"DailyOnlyFreeDaySixDaysAhead",
                    {2026, 12, 8, 9, 0, 0},
                    0,
                    8,
                    0,
                    0,
                    {1, 1, 0, 1, 1, 1, 1},
                    "15-Dec-2026 08:00:00"},
        NextRunCase{
            "DailyAllDaysSkippedNeverRuns", {2026, 12, 8, 9, 0, 0}, 0, 8, 0, 0, ALL_DAYS, "31-Dec-9999 00:00:00"},
        NextRunCase{"WeeklyMondayBeforeTheTime", {2026, 12, 7, 7, 0, 0}, 1, 8, 0, 1, NO_SKIP, "07-Dec-2026 08:00:00"},
        NextRunCase{"WeeklyMondayAfterTheTime", {2026, 12, 7, 9, 0, 0}, 1, 8, 0, 1, NO_SKIP, "14-Dec-2026 08:00:00"},
        NextRunCase{"WeeklyFromSunday", {2026, 12, 6, 9, 0, 0}, 1, 8, 0, 1, NO_SKIP, "07-Dec-2026 08:00:00"},
        NextRunCase{
            "WeeklySaturdayAcrossYearEnd", {2026, 12, 31, 12, 0, 0}, 1, 8, 0, 6, NO_SKIP, "02-Jan-2027 08:00:00"},
        NextRunCase{"WeeklyDayOutOfRangeCountsModuloSeven",
                    {2026, 12, 8, 9, 0, 0},
                    1,
                    8,
                    0,
                    9,
                    NO_SKIP,
                    "15-Dec-2026 08:00:00"},
        NextRunCase{
            "WeeklyNoDayChosenIsSaturday", {2026, 12, 8, 9, 0, 0}, 1, 8, 0, -1, NO_SKIP, "12-Dec-2026 08:00:00"},
        NextRunCase{"MonthlyRollsIntoNextYear", {2026, 12, 20, 9, 0, 0}, 2, 10, 0, 15, NO_SKIP, "15-Jan-2027 10:00:00"},
        NextRunCase{"MonthlyAtExactlyNowMovesToNextMonth",
                    {2026, 11, 15, 10, 0, 0},
                    2,
                    10,
                    0,
                    15,
                    NO_SKIP,
                    "15-Dec-2026 10:00:00"},
        NextRunCase{"MonthlyLaterThisMonth", {2026, 12, 8, 9, 0, 0}, 2, 10, 0, 15, NO_SKIP, "15-Dec-2026 10:00:00"},
        NextRunCase{
            "Monthly31stInFebruaryUsesLastDay", {2027, 2, 10, 9, 0, 0}, 2, 10, 0, 31, NO_SKIP, "28-Feb-2027 10:00:00"},
        NextRunCase{"Monthly31stInApril", {2026, 4, 10, 9, 0, 0}, 2, 10, 0, 31, NO_SKIP, "30-Apr-2026 10:00:00"},
        NextRunCase{"Monthly30thInLeapFebruary", {2028, 2, 1, 9, 0, 0}, 2, 10, 0, 30, NO_SKIP, "29-Feb-2028 10:00:00"},
        NextRunCase{
            "Monthly31stAfterShortMonthEnd", {2026, 4, 30, 23, 0, 0}, 2, 10, 0, 31, NO_SKIP, "31-May-2026 10:00:00"},
        NextRunCase{"MonthlyDayZeroIsFirst", {2026, 12, 8, 9, 0, 0}, 2, 10, 0, 0, NO_SKIP, "01-Jan-2027 10:00:00"},
        NextRunCase{
            "MonthlyDayAbove31IsLastDay", {2026, 11, 8, 9, 0, 0}, 2, 10, 0, 45, NO_SKIP, "30-Nov-2026 10:00:00"},
        NextRunCase{"IntervalCountsFromNow", {2026, 12, 8, 14, 0, 10}, 3, 1, 30, 0, NO_SKIP, "08-Dec-2026 15:30:10"},
        NextRunCase{"IntervalAcrossMidnight", {2026, 12, 31, 23, 0, 0}, 3, 1, 30, 0, NO_SKIP, "01-Jan-2027 00:30:00"},
        NextRunCase{"ZeroIntervalIsNow", {2026, 12, 8, 14, 0, 10}, 3, 0, 0, 0, NO_SKIP, "08-Dec-2026 14:00:10"}),
    [](const ::testing::TestParamInfo<NextRunCase>& info) { return std::string(info.param.name); });

TEST_F(ScheduleTest, DueFromTheSecondOfTheNextRun) {
    clock.Set(2026, 12, 8, 7, 0, 0);
    WeeklySchedule schedule(services, TimeOfDay(8, 0), 1, 2);  // Tuesday 08:00
    clock.Set(2026, 12, 8, 7, 59, 59);
    EXPECT_FALSE(schedule.IsDue());
    clock.Set(2026, 12, 8, 8, 0, 0);
    EXPECT_TRUE(schedule.IsDue());
    clock.Set(2026, 12, 9, 8, 0, 0);
    EXPECT_TRUE(schedule.IsDue());
}

TEST_F(ScheduleTest, ZeroIntervalIsDueAtEveryCheck) {
    IntervalSchedule schedule(services, TimeOfDay(0, 0), 1);
    EXPECT_TRUE(schedule.IsDue());
    schedule.UpdateNextRun();
    EXPECT_TRUE(schedule.IsDue());
}

TEST_F(ScheduleTest, NothingIsDueWithoutTheLocalTime) {
    IntervalSchedule schedule(services, TimeOfDay(0, 0), 1);
    clock.available = false;
    EXPECT_FALSE(schedule.IsDue());
}

TEST_F(ScheduleTest, DefaultDailyRuleTakesNowAndSkipsTheWeekend) {
    clock.Set(2026, 12, 11, 9, 15, 42);  // Friday
    DailySchedule schedule(services);
    EXPECT_EQ(schedule.GetTimeOfDay().Format("%H:%M:%S"), "09:15:42");
    EXPECT_EQ(schedule.GetRunMissedOnStartup(), 1);
    EXPECT_EQ(schedule.GetSkipDays(), WEEKEND);
    EXPECT_EQ(Stamp(schedule.GetNextRun()), "14-Dec-2026 09:15:42");
    EXPECT_EQ(schedule.GetSectionName(), "");
}

// --- Loading from a section -------------------------------------------------

TEST_F(ScheduleTest, MissedRunStaysInForceWithTheFlagSet) {
    WriteProfile("[App1]\ntype=Daily\nwhen=08:00\nRunMissedOnStartup=Yes\nNextAt=06-Dec-2026 08:00:00\n");
    DailySchedule schedule(services, services.store.ReadSection("App1"));
    EXPECT_EQ(Stamp(schedule.GetNextRun()), "06-Dec-2026 08:00:00");
    EXPECT_TRUE(schedule.IsDue());
    schedule.UpdateNextRun();
    EXPECT_EQ(Stamp(schedule.GetNextRun()), "09-Dec-2026 08:00:00");
    EXPECT_EQ(Stored("App1", "NextAt"), "09-Dec-2026 08:00:00");
}

TEST_F(ScheduleTest, MissedRunIsDroppedWithTheFlagCleared) {
    WriteProfile("[App1]\ntype=Daily\nwhen=08:00\nRunMissedOnStartup=no\nNextAt=06-Dec-2026 08:00:00\n");
    DailySchedule schedule(services, services.store.ReadSection("App1"));
    EXPECT_EQ(schedule.GetRunMissedOnStartup(), 0);
    EXPECT_FALSE(schedule.IsDue());
    EXPECT_EQ(Stamp(schedule.GetNextRun()), "09-Dec-2026 08:00:00");
    EXPECT_EQ(Stored("App1", "NextAt"), "09-Dec-2026 08:00:00");
}

TEST_F(ScheduleTest, RunMissedFlagFromItsText) {
    const std::pair<const char*, int> cases[] = {{"RunMissedOnStartup=No\n", 0},
                                                 {"RunMissedOnStartup=NO\n", 0},
                                                 {"RunMissedOnStartup=Yes\n", 1},
                                                 {"RunMissedOnStartup=Nope\n", 1},
                                                 {"", 1},
                                                 {"RunMissedOnStartup=\n", 1}};
    for (const auto& [line, flag] : cases) {
        WriteProfile(std::string("[App1]\ntype=Weekly\n") + line);
        WeeklySchedule schedule(services, services.store.ReadSection("App1"));
        EXPECT_EQ(schedule.GetRunMissedOnStartup(), flag) << line;
    }
}

TEST_F(ScheduleTest, UnreadableOrMissingNextRunIsRecomputedAndStored) {
    for (const char* next : {"", "NextAt=soon\n", "NextAt=31-Feb-2026 08:00:00\n"}) {
        WriteProfile(std::string("[App1]\ntype=Monthly\nDate=15\nwhen=10:00\n") + next);
        MonthlySchedule schedule(services, services.store.ReadSection("App1"));
        EXPECT_EQ(Stamp(schedule.GetNextRun()), "15-Dec-2026 10:00:00") << next;
        EXPECT_EQ(Stored("App1", "NextAt"), "15-Dec-2026 10:00:00") << next;
    }
}

TEST_F(ScheduleTest, IntervalNeverKeepsItsStoredNextRun) {
    WriteProfile("[App1]\ntype=Interval\nwhen=01:30\nNextAt=06-Dec-2026 08:00:00\n");
    IntervalSchedule schedule(services, services.store.ReadSection("App1"));
    EXPECT_EQ(Stamp(schedule.GetNextRun()), "08-Dec-2026 16:00:00");
    EXPECT_EQ(Stored("App1", "NextAt"), "08-Dec-2026 16:00:00");
}

TEST_F(ScheduleTest, TimeOfDayText) {
    const std::pair<const char*, const char*> cases[] = {
        {"7", "07:00"},     {"7:5", "07:05"},   {"12:30:45", "12:30"}, {" 8: 9", "08:09"},         {"23:59", "23:59"},
        {"24:00", "00:00"}, {"10:60", "00:00"}, {"-1:30", "00:00"},    {"99999999999:1", "00:00"}, {"abc", "00:00"},
        {"", "00:00"}};
    for (const auto& [when, shown] : cases) {
        WriteProfile(std::string("[App1]\ntype=Daily\nwhen=") + when + "\n");
        DailySchedule schedule(services, services.store.ReadSection("App1"));
        EXPECT_EQ(schedule.GetTimeOfDay().Format("%H:%M"), shown) << when;
        EXPECT_TRUE(schedule.GetNextRun().IsValid()) << when;
    }
}

TEST_F(ScheduleTest, SkipDaysText) {
    const std::pair<const char*, DailySchedule::SkipDays> cases[] = {{"1000001", {1, 0, 0, 0, 0, 0, 1}},
                                                                     {"11", {1, 1, 0, 0, 0, 0, 0}},
                                                                     {"0x1", {0, 0, 1, 0, 0, 0, 0}},
                                                                     {"111111111", {1, 1, 1, 1, 1, 1, 1}},
                                                                     {"", {0, 0, 0, 0, 0, 0, 0}}};
    for (const auto& [text, flags] : cases) {
        // Written as "SkipDays", read as "skipdays": the same key.
        WriteProfile(std::string("[App1]\ntype=Daily\nSkipDays=") + text + "\n");
        DailySchedule schedule(services, services.store.ReadSection("App1"));
        EXPECT_EQ(schedule.GetSkipDays(), flags) << text;
    }
}

TEST_F(ScheduleTest, KindFromTheFirstLetterOfType) {
    const std::pair<const char*, int> cases[] = {{"", 3},          {"type=daily\n", 0},    {"type=DAILY\n", 0},
                                                 {"type=D\n", 0},  {"type=weekly\n", 1},   {"type=Monthly\n", 2},
                                                 {"type=mo\n", 2}, {"type=Interval\n", 3}, {"type=Yearly\n", 3},
                                                 {"type=X\n", 3},  {"type=\n", 3}};
    for (const auto& [line, kind] : cases) {
        WriteProfile(std::string("[App1]\nTask=M\n") + line);
        Task task(services, "App1");
        EXPECT_EQ(task.GetSchedule()->GetKind(), kind) << line;
    }
}

TEST_F(ScheduleTest, SaveWritesEveryKeyOfTheKind) {
    clock.Set(2026, 12, 8, 14, 30, 0);
    DailySchedule daily(services, TimeOfDay(8, 5), 1, {0, 1, 0, 0, 0, 0, 1});
    WeeklySchedule weekly(services, TimeOfDay(23, 59), 0, 4);
    MonthlySchedule monthly(services, TimeOfDay(0, 0), 1, 31);
    IntervalSchedule interval(services, TimeOfDay(1, 30), 1);
    daily.Save("App1");
    weekly.Save("App2");
    monthly.Save("App3");
    interval.Save("App4");

    EXPECT_EQ(Stored("App1", "when"), "08:05");
    EXPECT_EQ(Stored("App1", "RunMissedOnStartup"), "Yes");
    EXPECT_EQ(Stored("App1", "NextAt"), "09-Dec-2026 08:05:00");
    EXPECT_EQ(Stored("App1", "type"), "Daily");
    EXPECT_EQ(Stored("App1", "SkipDays"), "0100001");
    EXPECT_EQ(Stored("App2", "RunMissedOnStartup"), "No");
    EXPECT_EQ(Stored("App2", "type"), "Weekly");
    EXPECT_EQ(Stored("App2", "DayOfWeek"), "4");
    EXPECT_EQ(Stored("App2", "NextAt"), "10-Dec-2026 23:59:00");
    EXPECT_EQ(Stored("App3", "type"), "Monthly");
    EXPECT_EQ(Stored("App3", "Date"), "31");
    EXPECT_EQ(Stored("App3", "NextAt"), "31-Dec-2026 00:00:00");
    EXPECT_EQ(Stored("App4", "type"), "Interval");
    EXPECT_EQ(Stored("App4", "when"), "01:30");
    EXPECT_EQ(Stored("App4", "NextAt"), "08-Dec-2026 16:00:00");
    EXPECT_EQ(interval.GetSectionName(), "App4");
}

TEST_F(ScheduleTest, SavedScheduleLoadsBackTheSame) {
    WeeklySchedule original(services, TimeOfDay(6, 45), 1, 5);
    original.Save("App7");
    WeeklySchedule loaded(services, services.store.ReadSection("App7"));
    EXPECT_EQ(loaded.GetTimeOfDay().Format("%H:%M"), "06:45");
    EXPECT_EQ(loaded.GetDayOfWeek(), 5);
    EXPECT_EQ(loaded.GetRunMissedOnStartup(), 1);
    EXPECT_EQ(Stamp(loaded.GetNextRun()), Stamp(original.GetNextRun()));
}

// Saving stores the next run as it is: a save (a retry after a failed
// write, the list after Add or Remove) neither drops a pending missed run
// nor restarts an interval.
TEST_F(ScheduleTest, SavingKeepsThePendingRunAndTheInterval) {
    WriteProfile("[App1]\ntype=Weekly\nDayOfWeek=2\nwhen=08:00\nNextAt=01-Dec-2026 08:00:00\n");
    WeeklySchedule schedule(services, services.store.ReadSection("App1"));
    ASSERT_TRUE(schedule.IsDue());
    schedule.Save("App2");
    EXPECT_TRUE(schedule.IsDue());
    EXPECT_EQ(Stored("App2", "NextAt"), "01-Dec-2026 08:00:00");

    IntervalSchedule interval(services, TimeOfDay(0, 5), 1);  // next run 14:35
    clock.Advance(120);
    interval.Save("App3");
    EXPECT_EQ(Stored("App3", "NextAt"), "08-Dec-2026 14:35:00");
}

TEST_F(ScheduleTest, NextRunRecoversWhenTheLocalTimeComesBack) {
    clock.available = false;
    Task task(services, "Task 1", 0);
    // A zero interval is due as soon as its next run is recomputed.
    task.SetSchedule(std::make_unique<IntervalSchedule>(services, TimeOfDay(0, 0), 1));
    EXPECT_FALSE(task.GetSchedule()->GetNextRun().IsValid());
    task.CheckAndRun();
    EXPECT_TRUE(messages.shown.empty());
    clock.available = true;
    task.CheckAndRun();  // recomputes without running
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(task.GetSchedule()->GetNextRun().IsValid());
}

}  // namespace
}  // namespace tikr::test
