// A task's state in words: every rule kind at its edge values, run times,
// and the state text's shapes, also with a hostile stored outcome.
#include "core/task_state_text.h"

#include <gtest/gtest.h>

#include "case_name.h"

#include <memory>
#include <ostream>

#include "core/schedule.h"
#include "core/task.h"
#include "core_fixture.h"
#include "date_values.h"

namespace tikr::test {
namespace {

struct RuleCase {
    const char* expected;
    int kind;          // Schedule::KIND_*
    int hour, minute;  // hour -1: an invalid time of day
    int value;         // weekly: day of week; monthly: day of month
    DailySchedule::SkipDays skip;
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.expected; }

class DescribeScheduleTable : public CoreFixture, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(DescribeScheduleTable, SaysWhatTheRuleComputes) {
    const RuleCase& c = GetParam();
    const DateTime time = c.hour < 0 ? DateTime(0.5, DateTimeStatus::invalid) : TimeOfDay(c.hour, c.minute);
    std::unique_ptr<Schedule> schedule;
    switch (c.kind) {
    case Schedule::KIND_DAILY: schedule = std::make_unique<DailySchedule>(services, time, 1, c.skip); break;
    case Schedule::KIND_WEEKLY: schedule = std::make_unique<WeeklySchedule>(services, time, 1, c.value); break;
    case Schedule::KIND_MONTHLY: schedule = std::make_unique<MonthlySchedule>(services, time, 1, c.value); break;
    default: schedule = std::make_unique<IntervalSchedule>(services, time, 1); break;
    }
    EXPECT_EQ(DescribeSchedule(*schedule), c.expected);
    // The day named is the day the rule picks.
    if (c.kind == Schedule::KIND_WEEKLY) {
        EXPECT_EQ("Every " + schedule->GetNextRun().Format("%A") + " at 08:00", c.expected);
    }
}

constexpr int D = Schedule::KIND_DAILY;
constexpr int W = Schedule::KIND_WEEKLY;
constexpr int M = Schedule::KIND_MONTHLY;
constexpr int I = Schedule::KIND_INTERVAL;
constexpr DailySchedule::SkipDays NONE{};

INSTANTIATE_TEST_SUITE_P(
    Rules, DescribeScheduleTable,
    ::testing::Values(
        RuleCase{"Every day at 08:00", D, 8, 0, 0, NONE}, RuleCase{"Every day at 00:00", D, -1, 0, 0, NONE},
        RuleCase{"Every day at 23:59 except Sunday", D, 23, 59, 0, {1, 0, 0, 0, 0, 0, 0}},
        RuleCase{"Every day at 08:00 except Saturday and Sunday", D, 8, 0, 0, {1, 0, 0, 0, 0, 0, 1}},
        RuleCase{"Every day at 07:05 except Monday, Wednesday and Friday", D, 7, 5, 0, {0, 1, 0, 1, 0, 1}},
        RuleCase{"Never: every day of the week is skipped", D, 8, 0, 0, {1, 1, 1, 1, 1, 1, 1}},
        RuleCase{"Every Sunday at 08:00", W, 8, 0, 0, NONE}, RuleCase{"Every Saturday at 08:00", W, 8, 0, 6, NONE},
        // Outside 0..6 the rule counts modulo 7.
        RuleCase{"Every Sunday at 08:00", W, 8, 0, 7, NONE}, RuleCase{"Every Saturday at 08:00", W, 8, 0, -1, NONE},
        RuleCase{"Every Friday at 08:00", W, 8, 0, -2147483647 - 1, NONE},
        RuleCase{"On day 1 of each month at 10:00", M, 10, 0, 0, NONE},
        RuleCase{"On day 15 of each month at 10:00", M, 10, 0, 15, NONE},
        RuleCase{"On day 28 of each month at 10:00", M, 10, 0, 28, NONE},
        RuleCase{"On day 29 of each month at 10:00 (the last day in shorter months)", M, 10, 0, 29, NONE},
        RuleCase{"On day 31 of each month at 09:00 (the last day in shorter months)", M, 9, 0, 31, NONE},
        RuleCase{"On day 31 of each month at 09:00 (the last day in shorter months)", M, 9, 0, 99, NONE},
        RuleCase{"At every check", I, 0, 0, 0, NONE}, RuleCase{"At every check", I, -1, 0, 0, NONE},
        RuleCase{"Every 1 hour", I, 1, 0, 0, NONE}, RuleCase{"Every 1 minute", I, 0, 1, 0, NONE},
        RuleCase{"Every 45 minutes", I, 0, 45, 0, NONE}, RuleCase{"Every 1 hour 30 minutes", I, 1, 30, 0, NONE},
        RuleCase{"Every 2 hours", I, 2, 0, 0, NONE}, RuleCase{"Every 23 hours 59 minutes", I, 23, 59, 0, NONE}),
    NamedBy<RuleCase>([](const RuleCase& c) { return std::string(c.expected); }));

TEST(FormatRunTimeTest, ReadsInEnglishWithSecondsOnlyWhenSet) {
    EXPECT_EQ(FormatRunTime(Make(2026, 12, 14, 8, 0, 0)), "Mon 14 Dec 2026 08:00");
    EXPECT_EQ(FormatRunTime(Make(2026, 12, 4, 18, 5, 10)), "Fri 4 Dec 2026 18:05:10");
    EXPECT_EQ(FormatRunTime(Make(1899, 12, 29, 6, 0, 0)), "Fri 29 Dec 1899 06:00");
    EXPECT_EQ(FormatRunTime(DateTime(46000.0, DateTimeStatus::invalid)), "unknown");
    EXPECT_EQ(FormatRunTime(DateTime(DateTime::MAX_DAY_NUMBER)), "Fri 31 Dec 9999 00:00");
    EXPECT_EQ(FormatNextRun(DateTime(DateTime::MAX_DAY_NUMBER)), "never");
    EXPECT_EQ(FormatNextRun(Make(2026, 12, 14, 8, 0, 0)), "Mon 14 Dec 2026 08:00");
}

TEST(DescribeTaskStateTest, ShapesOfTheText) {
    const DateTime next = Make(2026, 12, 14, 8, 0, 0);
    const DateTime last = Make(2026, 12, 11, 8, 0, 0);
    const DateTime neverRun(0.0, DateTimeStatus::invalid);
    const std::string rule = "Every day at 08:00 except Saturday and Sunday";
    const std::string nextLine = rule + "\nNext run: Mon 14 Dec 2026 08:00\n";
    struct {
        TaskStateFacts facts;
        std::string expected;
    } const cases[] = {
        {{rule, false, next, last, "started", neverRun}, nextLine + "Last run: Fri 11 Dec 2026 08:00, started"},
        {{rule, false, next, last, "could not start: no program named backp", neverRun},
         nextLine + "Last run: Fri 11 Dec 2026 08:00, could not start: no program named backp"},
        {{rule, false, next, last, "", neverRun}, nextLine + "Last run: Fri 11 Dec 2026 08:00"},
        // An outcome beside a last run that could not be read is kept.
        {{rule, false, next, neverRun, "started", neverRun}, nextLine + "Last run: unknown, started"},
        {{rule, true, next, last, "message shown", neverRun},
         rule + "\nDisabled\nLast run: Fri 11 Dec 2026 08:00, message shown"},
        {{"Never: every day of the week is skipped", false, DateTime(DateTime::MAX_DAY_NUMBER), neverRun, "", neverRun},
         "Never: every day of the week is skipped\nNext run: never\nNever run"},
        // The last finished run stays readable while a newer one goes on.
        {{rule, false, next, last, "exited with status 0 after 3 s", Make(2026, 12, 14, 8, 0, 5)},
         nextLine + "Last run: Fri 11 Dec 2026 08:00, exited with status 0 after 3 s\nRunning since Mon 14 Dec 2026 "
                    "08:00:05"},
        {{rule, false, next, neverRun, "", Make(2026, 12, 14, 8, 0, 0)},
         nextLine + "Never run\nRunning since Mon 14 Dec 2026 08:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(DescribeTaskState(c.facts), c.expected);
}

TEST(DescribeTaskStateTest, StoredOutcomeStaysOneShortLine) {
    const std::string prefix = "Rule\nDisabled\nLast run: Fri 11 Dec 2026 08:00, ";
    const auto lastLine = [&](const std::string& result) {
        const std::string text = DescribeTaskState(
            {"Rule", true, DateTime(), Make(2026, 12, 11, 8, 0, 0), result, DateTime(0.0, DateTimeStatus::invalid)});
        EXPECT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
        return text.substr(prefix.size());
    };
    // Line breaks, tabs, DEL, NEL (U+0085) and U+2028 become spaces.
    EXPECT_EQ(lastLine("a\r\nb\tc\x7F"
                       "d\xC2\x85"
                       "e\xE2\x80\xA8"
                       "f\xC3\xA9"),
              "a  b c d e f\xC3\xA9");
    // The cut counts characters and keeps each one whole.
    const std::string euro = "\xE2\x82\xAC";
    EXPECT_EQ(lastLine(std::string(199, 'a') + euro + "bc"), std::string(199, 'a') + euro);
    std::string manyEuros;
    for (int i = 0; i < 300; ++i) manyEuros += euro;
    EXPECT_EQ(lastLine(manyEuros), manyEuros.substr(0, 200 * euro.size()));
    // Bytes that are not UTF-8 count one character each, so the line stays
    // short whatever the file holds.
    EXPECT_EQ(lastLine(std::string(1000, '\x80')), std::string(200, '\x80'));
    EXPECT_EQ(lastLine(std::string(3000, '\n')), std::string(200, ' '));
}

using DescribeTaskTest = CoreFixture;

TEST_F(DescribeTaskTest, TellsTheStoredTaskAndCopesWithoutSchedule) {
    WriteProfile(
        "[App1]\ntitle=backup\ntype=Weekly\nwhen=08:00\nDayOfWeek=1\nNextAt=14-Dec-2026 08:00:00\nTask=A\n"
        "command=backp\nLastRun=07-Dec-2026 08:00:00\nLastResult=could not start: no program named backp\n");
    Task task(services, "App1");
    EXPECT_EQ(DescribeTask(task),
              "Every Monday at 08:00\nNext run: Mon 14 Dec 2026 08:00\n"
              "Last run: Mon 7 Dec 2026 08:00, could not start: no program named backp");

    task.SetSchedule(nullptr);
    const std::string last = "\nLast run: Mon 7 Dec 2026 08:00, could not start: no program named backp";
    EXPECT_EQ(DescribeTask(task), "No timing rule\nNext run: unknown" + last);
    task.SetDisabled(true);
    EXPECT_EQ(DescribeTask(task), "No timing rule\nDisabled" + last);
    EXPECT_EQ(DescribeTask(Task(services, "new", 0)),
              "Every day at 14:30 except Saturday and Sunday\n"
              "Next run: Wed 9 Dec 2026 14:30\nNever run");
}

}  // namespace
}  // namespace tikr::test
