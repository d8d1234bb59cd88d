// What becomes of a program after it started: its end recorded as the
// task's outcome, told once per same failure, and the words for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "core/run_outcome.h"
#include "core/task_list.h"
#include "core_fixture.h"

namespace tikr::test {
namespace {

TEST(RunOutcomeText, DurationsEndsAndTheirFailureKind) {
    EXPECT_EQ(DurationText(3), "3 s");
    EXPECT_EQ(DurationText(60), "1 min");
    EXPECT_EQ(DurationText(245), "4 min 5 s");
    EXPECT_EQ(DurationText(7380), "2 h 3 min");
    EXPECT_EQ(DurationText(7399), "2 h 3 min");
    EXPECT_EQ(DurationText(90000), "1 d 1 h");
    EXPECT_EQ(DurationText(-4), "0 s");
    EXPECT_EQ(EndedText({1, ProgramEnd::How::exited, 0, 3}), "exited with status 0 after 3 s");
    EXPECT_EQ(EndedText({1, ProgramEnd::How::exited, 2, 41}), "exited with status 2 after 41 s");
    EXPECT_EQ(EndedText({1, ProgramEnd::How::signalled, 9, 7380}), "ended by signal 9 after 2 h 3 min");
    EXPECT_EQ(EndedText({1, ProgramEnd::How::exitCode, 3, 1}), "exited with code 3 after 1 s");
    EXPECT_EQ(EndedText({1, ProgramEnd::How::exitCode, 0xC0000005, 1}), "exited with code 0xC0000005 after 1 s");
    EXPECT_TRUE(EndedInFailure({1, ProgramEnd::How::exitCode, 0xC0000005, 3}));
    EXPECT_FALSE(EndedInFailure({1, ProgramEnd::How::exitCode, 0, 3}));
    EXPECT_FALSE(EndedInFailure({1, ProgramEnd::How::exited, 0, 3}));
    EXPECT_TRUE(EndedInFailure({1, ProgramEnd::How::exited, 1, 3}));
    EXPECT_TRUE(EndedInFailure({1, ProgramEnd::How::signalled, 15, 3}));
    EXPECT_FALSE(EndedInFailure({1, ProgramEnd::How::unknown, 0, 3}));
    EXPECT_EQ(OutcomeWithoutDuration("exited with status 2 after 41 s"), "exited with status 2");
    EXPECT_EQ(OutcomeWithoutDuration("started"), "started");
}

class ProgramEndTest : public CoreFixture {
protected:
    KeepingLauncher keeping;
    CoreServices keepingServices{store, clock, keeping, messages};
    std::vector<StartFailure> failures;

    // A list with one program task due at 08:00 each day, loaded at 14:30
    // on the day it last ran at 08:00.
    std::unique_ptr<TaskList> LoadList() {
        WriteProfile(
            "[settings]\nNumApps=1\n[App1]\ntitle=Backup\nTask=A\ncommand=backup --all\ntype=Daily\nwhen=08:00\n"
            "NextAt=09-Dec-2026 08:00:00\n");
        auto list = std::make_unique<TaskList>(keepingServices);
        list->Load();
        list->SetStartFailureHandler([this](const StartFailure& failure) { failures.push_back(failure); });
        keeping.SetEndHandler([&list = *list](const ProgramEnd& end) { list.OnProgramEnded(end); });
        return list;
    }
    void RunOnDay(TaskList& list, int day) {
        clock.Set(2026, 12, day, 8, 0, 5);
        list.CheckAll();
    }
};

TEST_F(ProgramEndTest, OutcomeWaitsForTheNextWriteAndFailuresAreToldOncePerKind) {
    auto list = LoadList();
    RunOnDay(*list, 9);
    Task& task = *list->GetTask(0);
    EXPECT_EQ(task.GetLastResult(), "");
    EXPECT_EQ(Stamp(task.GetRunningSince()), "09-Dec-2026 08:00:05");
    EXPECT_EQ(list->RunningPrograms(), 1u);

    keeping.End(1, ProgramEnd::How::exited, 2, 41);
    EXPECT_EQ(task.GetLastResult(), "exited with status 2 after 41 s");
    EXPECT_FALSE(task.GetRunningSince().IsValid());
    EXPECT_EQ(list->RunningPrograms(), 0u);
    // No write of its own: the file learns it with the next one.
    EXPECT_EQ(Stored("App1", "LastResult"), "<missing>");
    EXPECT_TRUE(store.HasDeferredWrites());
    store.SaveDeferred();
    EXPECT_EQ(Stored("App1", "LastRun"), "09-Dec-2026 08:00:05");
    EXPECT_EQ(Stored("App1", "LastResult"), "exited with status 2 after 41 s");
    EXPECT_EQ(Stored("App1", "RunningSince"), "");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(failures[0].ended);
    EXPECT_FALSE(failures[0].repeated);
    EXPECT_EQ(failures[0].commandLine, "backup --all");
    EXPECT_EQ(failures[0].reason, "exited with status 2 after 41 s");

    // The same failure the next day, however long it took, is no news; a
    // different one is, and Run Now always is.
    RunOnDay(*list, 10);
    // The outcome stays readable, in the file too, while the next run goes on.
    EXPECT_EQ(task.GetLastResult(), "exited with status 2 after 41 s");
    EXPECT_EQ(Stored("App1", "LastResult"), "exited with status 2 after 41 s");
    EXPECT_EQ(Stored("App1", "RunningSince"), "10-Dec-2026 08:00:05");
    keeping.End(2, ProgramEnd::How::exited, 2, 3);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_TRUE(failures[1].repeated);
    RunOnDay(*list, 11);
    keeping.End(3, ProgramEnd::How::signalled, 9, 7380);
    EXPECT_EQ(task.GetLastResult(), "ended by signal 9 after 2 h 3 min");
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_FALSE(failures[2].repeated);
    ASSERT_TRUE(list->RunNow(0));
    keeping.End(4, ProgramEnd::How::signalled, 9, 1);
    ASSERT_EQ(failures.size(), 4u);
    EXPECT_FALSE(failures[3].repeated);
    RunOnDay(*list, 12);
    keeping.End(5, ProgramEnd::How::exited, 0, 3);
    EXPECT_EQ(task.GetLastResult(), "exited with status 0 after 3 s");
    EXPECT_EQ(failures.size(), 4u);
}

TEST_F(ProgramEndTest, StillRunningAtTheEndAndLateOrStrayEndsChangeNothing) {
    auto list = LoadList();
    keeping.outputProblem = "Permission denied";
    RunOnDay(*list, 9);
    RunOnDay(*list, 10);  // the first run still goes on
    Task& task = *list->GetTask(0);
    EXPECT_EQ(Stamp(task.GetRunningSince()), "10-Dec-2026 08:00:05");
    // The older run's end is the task's outcome, told as news (no run
    // ended before it), while the later run stays the run going on.
    keeping.End(1, ProgramEnd::How::exited, 1, 86400);
    EXPECT_EQ(task.GetLastResult(), "exited with status 1 after 1 d; output discarded: Permission denied");
    EXPECT_EQ(Stamp(task.GetRunningSince()), "10-Dec-2026 08:00:05");
    keeping.End(77, ProgramEnd::How::exited, 1, 1);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_FALSE(failures[0].repeated);
    EXPECT_EQ(failures[0].reason, "exited with status 1 after 1 d");
    EXPECT_EQ(failures[0].commandLine, "backup --all");

    list->RecordStillRunning();
    EXPECT_EQ(task.GetLastResult(), "still running when Tikr ended; output discarded: Permission denied");
    keeping.End(2, ProgramEnd::How::exited, 0, 1);
    EXPECT_EQ(task.GetLastResult(), "still running when Tikr ended; output discarded: Permission denied");

    // Run Now while a scheduled run goes on, then the task is removed: the
    // asked run's failure is news all the same.
    RunOnDay(*list, 11);
    ASSERT_TRUE(list->RunNow(0));
    RunOnDay(*list, 12);
    list->RemoveTask(0);
    keeping.End(4, ProgramEnd::How::exited, 4, 1);
    keeping.End(3, ProgramEnd::How::exited, 0, 1);
    keeping.End(5, ProgramEnd::How::exited, 4, 1);
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_FALSE(failures[1].repeated);
    EXPECT_EQ(failures[1].title, "Backup");
    EXPECT_TRUE(failures[2].repeated);
    EXPECT_EQ(list->RunningPrograms(), 0u);
}

// A run the file holds as going on, by this version or as an older one
// wrote it, was left by a scheduler that was killed: the next start says so.
TEST_F(ProgramEndTest, ARunLeftGoingOnByAKilledSchedulerIsSettledAtStart) {
    WriteProfile(
        "[settings]\nNumApps=3\n[App1]\ntitle=New\nLastRun=07-Dec-2026 08:00:00\nLastResult=exited with status 0 after "
        "1 s\n"
        "RunningSince=08-Dec-2026 08:00:00\n[App2]\ntitle=Old\nLastRun=08-Dec-2026 09:00:00\n"
        "LastResult=running since 09:00:00\n[App3]\ntitle=Done\nLastRun=08-Dec-2026 10:00:00\nLastResult=started\n");
    TaskList list(keepingServices);
    list.Load();
    RunRecords records(dir.File("state"));
    list.SetRunRecords(&records);
    EXPECT_EQ(Stamp(list.GetTask(0)->GetRunningSince()), "08-Dec-2026 08:00:00");
    ASSERT_TRUE(list.SettleInterruptedRuns());
    const std::string unknown = "running when Tikr ended unexpectedly; outcome unknown";
    for (const auto& [section, run, result] : {std::tuple{"App1", "08-Dec-2026 08:00:00", unknown},
                                               {"App2", "08-Dec-2026 09:00:00", unknown},
                                               {"App3", "08-Dec-2026 10:00:00", std::string("started")}}) {
        EXPECT_EQ(Stored(section, "LastRun"), run) << section;
        EXPECT_EQ(Stored(section, "LastResult"), result) << section;
    }
    EXPECT_EQ(Stored("App1", "RunningSince"), "");
    EXPECT_FALSE(list.GetTask(0)->GetRunningSince().IsValid());
    const std::vector<RunRecord> runs = records.ReadHistory();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].title, "Old");
    EXPECT_EQ(runs[1].outcome, unknown);
}

// A program that wrote nothing leaves no file to offer; one that wrote
// beyond the folder's size while it ran keeps its file, cut, and is told.
TEST_F(ProgramEndTest, AnEmptyOutputIsNoFileAndACutOneIsTold) {
    auto list = LoadList();
    RunRecords records(dir.File("state"), std::chrono::hours(1));
    list->SetRunRecords(&records);
    RunOnDay(*list, 9);
    TempDir::WriteFile(keeping.requests[0].outputPath, "");  // as the launcher makes it
    keeping.End(1, ProgramEnd::How::exited, 0, 1);
    RunOnDay(*list, 10);
    const std::string output = keeping.requests[1].outputPath;
    TempDir::WriteFile(output, "x");
    std::filesystem::resize_file(output, RunRecords::MAX_OUTPUT_BYTES + 1);
    RunOnDay(*list, 11);
    ASSERT_TRUE(std::filesystem::exists(output));
    TempDir::WriteFile(output, "the end\n");
    keeping.End(2, ProgramEnd::How::exited, 0, 1);
    const std::vector<RunRecord> runs = records.ReadHistory();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].outcome, std::string("exited with status 0 after 1 s") + NO_OUTPUT_TEXT);
    EXPECT_EQ(runs[0].outputFile, "");
    EXPECT_FALSE(std::filesystem::exists(keeping.requests[0].outputPath));
    EXPECT_EQ(runs[1].outcome, std::string("exited with status 0 after 1 s") + OUTPUT_CUT_TEXT);
    EXPECT_EQ(runs[1].outputFile, output);
}

TEST_F(ProgramEndTest, EachRunHasItsOutputFileAndItsHistoryLine) {
    auto list = LoadList();
    // The folder is looked at whole once an hour, and after an end.
    RunRecords records(dir.File("state"), std::chrono::hours(1));
    list->SetRunRecords(&records);
    RunOnDay(*list, 9);
    ASSERT_EQ(keeping.requests.size(), 1u);
    const std::string output = keeping.requests[0].outputPath;
    EXPECT_EQ(output, (std::filesystem::path(dir.File("state")) / "2026-12-09_080005 Backup.log").string());
    // It wrote 100 MB: the next run trims the folder back within 64 MB.
    TempDir::WriteFile(output, "x");
    std::filesystem::resize_file(output, 100ull << 20);
    keeping.End(1, ProgramEnd::How::exited, 3, 2);
    RunOnDay(*list, 10);
    EXPECT_FALSE(std::filesystem::exists(output));
    list->RecordStillRunning();
    std::vector<RunRecord> runs = records.ReadHistory();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].title, "Backup");
    EXPECT_EQ(runs[0].outcome, "exited with status 3 after 2 s");
    EXPECT_EQ(runs[0].seconds, 2);
    EXPECT_EQ(runs[0].outputFile, keeping.requests[0].outputPath);
    EXPECT_EQ(runs[1].outcome, "still running when Tikr ended");

    // A start that fails has its line and leaves no empty output file.
    RecordingLauncher failing;
    failing.result = false;
    CoreServices failingServices{store, clock, failing, messages};
    TaskList other(failingServices);
    other.Load();
    other.SetRunRecords(&records);
    clock.Set(2026, 12, 11, 8, 0, 5);
    other.CheckAll();
    runs = records.ReadHistory();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[2].outcome, "could not start: no program named x");
    EXPECT_EQ(runs[2].outputFile, "");

    // A message has its line, without an output file, when its box opens.
    WriteProfile("[settings]\nNumApps=1\n[App1]\ntitle=Say hi\nTask=M\nMessage=hi\ntype=I\n");
    clock.Set(2026, 12, 12, 8, 0, 5);
    TaskList shown(keepingServices);
    shown.Load();
    shown.SetRunRecords(&records);
    std::size_t linesAtTheBox = 0;
    messages.onShow = [&](const std::string&) { linesAtTheBox = records.ReadHistory().size(); };
    shown.CheckAll();
    runs = records.ReadHistory();
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(linesAtTheBox, 4u);
    EXPECT_EQ(runs[3].title, "Say hi");
    EXPECT_EQ(runs[3].outcome, "message shown");
    EXPECT_EQ(runs[3].outputFile, "");
}

}  // namespace
}  // namespace tikr::test
