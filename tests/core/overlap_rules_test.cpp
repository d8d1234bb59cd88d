// A run still going when its task falls due again, a run beyond its time
// limit, and runs missed while no scheduler ran: what the task list starts,
// stops, tells and records, case by case.
#include <gtest/gtest.h>

#include "core/overlap_rules.h"
#include "core/task_list.h"
#include "core_fixture.h"

namespace tikr::test {
namespace {

using How = ProgramEnd::How;

struct Step {
    enum Kind { check, runNow, end } kind = check;
    long long advance = 0;  // seconds the clock moves first
    std::uint64_t run = 0;  // end: which run, how, and its time taken
    How how = How::exited;
    long long code = 0;
    long long seconds = 0;
};

struct Case {
    const char* name;
    const char* keys;  // of App1, after its title and command
    std::vector<Step> steps;
    std::size_t started;
    std::vector<std::uint64_t> stops;
    std::vector<std::string> history;  // outcomes, oldest first
    std::size_t told;                  // failures that are news
    std::string lastResult;
};

// Loaded at 14:30:00; an interval of a minute is due at 14:31:00, 14:32:00 ...
const char* const MINUTELY = "type=Interval\nwhen=00:01\n";
Step Check(long long advance) { return {Step::check, advance}; }
Step End(std::uint64_t run, long long code, long long seconds, How how = How::exited) {
    return {Step::end, 0, run, how, code, seconds};
}

class OverlapTest : public CoreFixture, public ::testing::WithParamInterface<Case> {
protected:
    KeepingLauncher keeping;
    CoreServices keepingServices{store, clock, keeping, messages};
};

TEST_P(OverlapTest, StartsStopsTellsAndRecords) {
    const Case& c = GetParam();
    WriteProfile(std::string("[settings]\nNumApps=1\n[App1]\ntitle=Backup\nTask=A\ncommand=backup\n") + c.keys);
    clock.Set(2026, 12, 8, 14, 30, 0);
    TaskList list(keepingServices);
    list.Load();
    RunRecords records(dir.File("state"));
    list.SetRunRecords(&records);
    std::size_t told = 0;
    list.SetStartFailureHandler([&](const StartFailure& failure) { told += failure.repeated ? 0 : 1; });
    keeping.SetEndHandler([&](const ProgramEnd& end) { list.OnProgramEnded(end); });
    list.SettleInterruptedRuns();
    for (const Step& step : c.steps) {
        clock.Advance(step.advance);
        if (step.kind == Step::check) list.CheckAll();
        if (step.kind == Step::runNow) list.RunNow(0);
        if (step.kind == Step::end) keeping.End(step.run, step.how, step.code, step.seconds);
    }
    EXPECT_EQ(keeping.requests.size(), c.started);
    EXPECT_EQ(keeping.stops, c.stops);
    std::vector<std::string> outcomes;
    for (const RunRecord& run : records.ReadHistory()) outcomes.push_back(run.outcome);
    EXPECT_EQ(outcomes, c.history);
    EXPECT_EQ(told, c.told);
    EXPECT_EQ(list.GetTask(0)->GetLastResult(), c.lastResult);
    // What is recorded is what the file holds after the next write.
    store.SaveDeferred();
    EXPECT_EQ(Stored("App1", "LastResult"), c.lastResult.empty() ? "<missing>" : c.lastResult);
}

const std::string S3 = "exited with status 3 after 3 min";

INSTANTIATE_TEST_SUITE_P(
    Rules, OverlapTest,
    ::testing::Values(
        // Two copies at once; each failure compares with the one that ended
        // before it: the first is news, the second the same again.
        Case{"NoKeyStartsAnother",
             MINUTELY,
             {Check(60), Check(60), End(1, 3, 180), End(2, 3, 180)},
             2,
             {},
             {S3, S3},
             1,
             S3},
        Case{"SkipLeavesALineAndRunsAfterTheEnd",
             "type=Interval\nwhen=00:01\nIfStillRunning=Skip\n",
             {Check(60), Check(60), {Step::runNow}, End(1, 0, 100), Check(60)},
             2,
             {},
             {"skipped: still running since 14:31:00", "skipped: still running since 14:31:00",
              "exited with status 0 after 1 min 40 s"},
             0,
             "exited with status 0 after 1 min 40 s"},
        // The stopped run is no failure; the new one's failure is news.
        Case{"RestartStopsTheRunningCopy",
             "type=Interval\nwhen=00:01\nIfStillRunning=restart\n",
             {Check(60), Check(60), End(1, 15, 3720, How::signalled), {Step::runNow}, End(2, 3, 180), End(3, 0, 1)},
             3,
             {1, 2},
             {"stopped to start again after 1 h 2 min", "stopped to start again after 3 min",
              "exited with status 0 after 1 s"},
             0,
             "exited with status 0 after 1 s"},
        Case{"TimeLimitStopsOnceAndIsToldAsAFailure",
             "type=Interval\nwhen=10:00\nStopAfter=02:00\nIfStillRunning=Skip\n",
             {Check(36000), Check(7199), Check(1), Check(10), End(1, 15, 7210, How::signalled)},
             1,
             {1},
             {"stopped after 2 h 0 min (time limit)"},
             1,
             "stopped after 2 h 0 min (time limit)"},
        Case{"MissedDailyRun",
             "type=Daily\nwhen=08:00\nRunMissedOnStartup=No\nNextAt=08-Dec-2026 08:00:00\n",
             {Check(10)},
             0,
             {},
             {"missed: due 08:00:00, Tikr was not running"},
             0,
             "missed: due 08:00:00, Tikr was not running"},
        Case{"MissedIntervalRunsInOneLine",
             "type=Interval\nwhen=00:30\nNextAt=08-Dec-2026 08:00:00\n",
             {},
             0,
             {},
             {"missed 14 runs from 08:00:00 to 14:30:00"},
             0,
             "missed 14 runs from 08:00:00 to 14:30:00"},
        // Made up at the first check, and later than a check period.
        Case{"MadeUpRunSaysItRanLate",
             "type=Daily\nwhen=08:00\nNextAt=08-Dec-2026 08:00:00\n",
             {Check(10), End(1, 0, 5)},
             1,
             {},
             {"exited with status 0 after 5 s; ran late: due 08:00:00"},
             0,
             "exited with status 0 after 5 s; ran late: due 08:00:00"},
        Case{"OnTimeWithinACheckPeriod",
             MINUTELY,
             {Check(70), End(1, 0, 5)},
             1,
             {},
             {"exited with status 0 after 5 s"},
             0,
             "exited with status 0 after 5 s"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(OverlapKeys, ChoicesAndLimitsReadAndWrittenAsStored) {
    for (const auto& [text, choice, written] : {std::tuple{"", IfStillRunning::start, "Start"},
                                                {"skip", IfStillRunning::skip, "Skip"},
                                                {"RESTART", IfStillRunning::restart, "Restart"},
                                                {"later", IfStillRunning::start, "Start"}}) {
        EXPECT_EQ(ParseIfStillRunning(text), choice) << text;
        EXPECT_STREQ(IfStillRunningText(choice), written) << text;
    }
    for (const auto& [text, minutes, written] : {std::tuple{"", 0, "00:00"},
                                                 {"00:01", 1, "00:01"},
                                                 {"2:05", 125, "02:05"},
                                                 {"999:59", 59999, "999:59"},
                                                 {"1000:00", 0, "00:00"},
                                                 {"01:60", 0, "00:00"},
                                                 {"-1:00", 0, "00:00"},
                                                 {"1:5x", 0, "00:00"}}) {
        EXPECT_EQ(ParseStopAfter(text), minutes) << text;
        EXPECT_EQ(StopAfterText(ParseStopAfter(text)), written) << text;
    }
}

// A task made with Add skips; the keys go with every save and come back.
TEST_F(CoreFixture, AnAddedTaskSkipsAndItsChoicesAreSaved) {
    TaskList list(services);
    list.Append(std::make_unique<Task>(services, "New", 0));
    EXPECT_EQ(list.GetTask(0)->GetIfStillRunning(), IfStillRunning::skip);
    list.GetTask(0)->SetStopAfter(90);
    ASSERT_TRUE(list.Save(ALL_TASKS));
    EXPECT_EQ(Stored("App1", "IfStillRunning"), "Skip");
    EXPECT_EQ(Stored("App1", "StopAfter"), "01:30");
    TaskList reloaded(services);
    reloaded.Load();
    EXPECT_EQ(reloaded.GetTask(0)->GetIfStillRunning(), IfStillRunning::skip);
    EXPECT_EQ(reloaded.GetTask(0)->GetStopAfter(), 90);
}

}  // namespace
}  // namespace tikr::test
