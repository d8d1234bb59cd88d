// The check pass with many due tasks: the next runs stored in few file
// replacements, each before its own task's action, in list order, and a
// nested pass inside a message box running the tasks after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/task_list.h"
#include "core_fixture.h"
#include "store/file_system.h"

namespace tikr::test {

namespace {

class CheckPassTest : public CoreFixture {
protected:
    // A profile of daily tasks whose stored next run has passed, so all are
    // due at the first check. A letter per task: A application, M message
    // box, D a disabled application.
    void LoadDueTasks(TaskList& list, const std::string& kinds) {
        std::string text = "[settings]\nNumApps=" + std::to_string(kinds.size()) + "\n";
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            const std::string name = "t" + std::to_string(i + 1);
            text += "[App" + std::to_string(i + 1) + "]\ntype=Daily\nwhen=08:00\nNextAt=01-Dec-2026 08:00:00\n";
            text += kinds[i] == 'M' ? "Task=M\nMessage=" + name + "\n" : "Task=A\ncommand=" + name + "\n";
            if (kinds[i] == 'D') text += "Disabled=1\n";
        }
        WriteProfile(text);
        list.Load();
    }

    // The version of the profile file on disk: every replacement changes it.
    FileIdentity Identity() const { return files->Identify(path); }

    // Each action, as it starts: its name, and the file version it saw,
    // numbered in order of appearance (0 = the file before the pass).
    void Record(const std::string& name) {
        const FileIdentity now = Identity();
        std::size_t version = 0;
        while (version < versions.size() && !(versions[version] == now)) ++version;
        if (version == versions.size()) versions.push_back(now);
        seen.push_back(name + "@" + std::to_string(version));
        // The task's own next run is in the file before its action starts.
        EXPECT_EQ(Stored("App" + name.substr(1), "NextAt"), "09-Dec-2026 08:00:00") << name;
    }

    void RecordActions() {
        launcher.onStart = [this](const std::string& name) { Record(name); };
        messages.onShow = [this](const std::string& name) { Record(name); };
    }

    std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    std::vector<FileIdentity> versions;
    std::vector<std::string> seen;
};

TEST_F(CheckPassTest, OneFileReplacementPerMessageBoxAndActionsInListOrder) {
    TaskList list(services);
    LoadDueTasks(list, "AAMAMAD");
    versions.push_back(Identity());
    RecordActions();
    list.CheckAll();
    // Up to and including each message box the tasks share one write.
    EXPECT_EQ(seen, (std::vector<std::string>{"t1@1", "t2@1", "t3@1", "t4@2", "t5@2", "t6@3"}));
    EXPECT_TRUE(Identity() == versions.back());  // nothing written after the last action
    EXPECT_EQ(Stored("App7", "NextAt"), "01-Dec-2026 08:00:00");

    seen.clear();
    list.CheckAll();  // nothing is due twice
    EXPECT_TRUE(seen.empty());
}

TEST_F(CheckPassTest, NestedPassInsideAMessageBoxRunsTheTasksAfterIt) {
    TaskList list(services);
    LoadDueTasks(list, "AMAMA");
    versions.push_back(Identity());
    RecordActions();
    int depth = 0;
    messages.onShow = [&](const std::string& name) {
        Record(name);
        // The timer ticks while the first box is open.
        if (depth++ == 0) list.CheckAll();
    };
    list.CheckAll();
    // The inner pass ran the tasks after the open box, in order; the outer
    // pass, resumed, found them no longer due.
    EXPECT_EQ(seen, (std::vector<std::string>{"t1@1", "t2@1", "t3@2", "t4@2", "t5@3"}));
    EXPECT_EQ(launcher.started.size(), 3u);
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(CheckPassTest, RecomputedNextRunDoesNotRunInTheSamePass) {
    clock.available = false;
    TaskList list(services);
    auto task = std::make_unique<Task>(services, "now", 0);
    // A zero interval is due as soon as its next run is computed.
    task->SetSchedule(std::make_unique<IntervalSchedule>(services, TimeOfDay(0, 0), 1));
    list.Append(std::move(task));
    ASSERT_FALSE(list.GetTask(0)->GetSchedule()->GetNextRun().IsValid());
    clock.available = true;
    list.CheckAll();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(list.GetTask(0)->GetSchedule()->GetNextRun().IsValid());
    list.CheckAll();
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(CheckPassTest, EachRunIsStoredWithItsNextRunAndItsOutcomeWithTheNextReplacement) {
    TaskList list(services);
    LoadDueTasks(list, "AAM");
    versions.push_back(Identity());
    std::vector<StartFailure> failures;
    list.SetStartFailureHandler([&](const StartFailure& failure) { failures.push_back(failure); });
    launcher.onStart = [this](const std::string& name) { launcher.result = name != "t1"; };
    messages.onShow = [&](const std::string&) {
        // Recorded before the box opens: the user may remove the task now.
        // The run was due a week ago: it says so.
        EXPECT_EQ(list.GetTask(2)->GetLastResult(),
                  std::string(Task::RESULT_MESSAGE_SHOWN) + "; ran late: due 08:00:00");
    };
    list.CheckAll();

    // The failed start is reported and the pass goes on.
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].title, "App1");
    EXPECT_EQ(failures[0].commandLine, "t1");
    EXPECT_EQ(failures[0].reason, "no program named x");
    EXPECT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(messages.shown.size(), 1u);

    // One replacement held the next runs and the moments as runs going on;
    // the outcomes, with their runs as the last ones, wait for the next.
    EXPECT_FALSE(Identity() == versions[0]);
    for (const char* section : {"App1", "App2", "App3"}) {
        EXPECT_EQ(Stored(section, "RunningSince"), "08-Dec-2026 14:30:00");
        EXPECT_EQ(Stored(section, "LastRun"), "<missing>");
    }
    const FileIdentity afterPass = Identity();
    clock.Advance(60);
    list.CheckAll();  // nothing due: nothing written
    EXPECT_TRUE(Identity() == afterPass);

    ASSERT_TRUE(list.Save(1));
    EXPECT_EQ(Stored("App1", "LastResult"), "could not start: no program named x; ran late: due 08:00:00");
    EXPECT_EQ(Stored("App2", "LastResult"), "started; ran late: due 08:00:00");
    EXPECT_EQ(Stored("App3", "LastResult"), "message shown; ran late: due 08:00:00");
    EXPECT_EQ(Stored("App3", "RunningSince"), "");

    TaskList reloaded(services);
    reloaded.Load();
    EXPECT_EQ(Stamp(reloaded.GetTask(0)->GetLastRun()), "08-Dec-2026 14:30:00");
    EXPECT_EQ(reloaded.GetTask(0)->GetLastResult(), "could not start: no program named x; ran late: due 08:00:00");
}

TEST_F(CheckPassTest, FilesWithoutLastRunLoadAndSaveWithoutIt) {
    // A file written before tasks kept their last run; and a section that
    // a task which ran leaves behind for one that never did.
    // A section holding an outcome without its moment (edited by hand) is
    // cleared as well.
    WriteProfile(
        "[settings]\nNumApps=2\n[App1]\ntitle=old\ntype=Daily\nwhen=08:00\nNextAt=09-Dec-2026 08:00:00\n"
        "Task=A\ncommand=x\n[App2]\ntitle=ran\nLastRun=01-Dec-2026 08:00:00\nLastResult=started\n"
        "[App3]\nLastResult=started\n");
    TaskList list(services);
    list.Load();
    EXPECT_FALSE(list.GetTask(0)->GetLastRun().IsValid());
    EXPECT_EQ(Stored("App1", "LastRun"), "<missing>");
    EXPECT_EQ(list.GetTask(1)->GetLastResult(), "started");

    list.RemoveTask(1);
    list.Append(std::make_unique<Task>(services, "new", 0));
    list.Append(std::make_unique<Task>(services, "newer", 0));
    ASSERT_TRUE(list.Save(ALL_TASKS));
    EXPECT_EQ(Stored("App1", "LastRun"), "<missing>");
    EXPECT_EQ(Stored("App2", "LastRun"), "");
    EXPECT_EQ(Stored("App2", "LastResult"), "");
    EXPECT_EQ(Stored("App3", "LastResult"), "");
}

// What Run Now records: nothing in a section that was never saved (no
// failed write either), and no outcome without the moment of its run.
TEST_F(CheckPassTest, RunNowRecordsOnlyWhatItCanStoreWhole) {
    std::vector<WriteFailure> failures;
    store.SetWriteFailureHandler([&](const WriteFailure& failure) { failures.push_back(failure); });
    TaskList list(services);
    list.Append(std::make_unique<Task>(services, "unsaved", 0));
    ASSERT_TRUE(list.RunNow(0));
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(list.GetTask(0)->GetLastRun().IsValid());
    EXPECT_TRUE(failures.empty());

    LoadDueTasks(list, "M");
    clock.available = false;
    ASSERT_TRUE(list.RunNow(0));
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(store.SaveDeferred());
    EXPECT_EQ(Stored("App1", "LastResult"), "<missing>");
    EXPECT_TRUE(failures.empty());
}

TEST_F(CheckPassTest, RunNowRunsOnceAndKeepsTheNextRun) {
    TaskList list(services);
    LoadDueTasks(list, "DM");
    // Before the stored next runs, which lie a day after the rule's first
    // occurrence (30 Nov 08:00): a recomputed next run would show.
    clock.Set(2026, 11, 29, 9, 0, 0);
    ASSERT_TRUE(list.RunNow(0));  // a disabled task runs when asked
    ASSERT_TRUE(list.RunNow(1));
    EXPECT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(Stored("App1", "NextAt"), "01-Dec-2026 08:00:00");
    EXPECT_EQ(Stamp(list.GetTask(1)->GetSchedule()->GetNextRun()), "01-Dec-2026 08:00:00");
    EXPECT_EQ(Stored("App1", "LastRun"), "29-Nov-2026 09:00:00");
    EXPECT_EQ(list.GetTask(0)->GetLastResult(), Task::RESULT_STARTED);
    EXPECT_FALSE(list.RunNow(2));
    list.CheckAll();  // not due yet: the run did not count as the next one
    EXPECT_EQ(messages.shown.size(), 1u);
}

}  // namespace
}  // namespace tikr::test
