// The task list: loading and saving through a real file, and the check
// pass with its ordering and reentrancy.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>
#include <string>
#include <utility>

#include "core/task_list.h"
#include "core_fixture.h"

namespace tikr::test {
namespace {

class TaskListTest : public CoreFixture {
protected:
    // A message task that falls due at 14:30:00 on the fixture's day.
    std::unique_ptr<Task> DueMessage(const std::string& title, const std::string& text) {
        auto task = std::make_unique<Task>(services, title, 0);
        task->SetSchedule(std::make_unique<DailySchedule>(services, TimeOfDay(14, 31), 1, DailySchedule::SkipDays{}));
        task->SetAction(std::make_unique<MessageBoxAction>(services, text));
        return task;
    }
    // Saves the list, then moves the clock to the moment every task made by
    // DueMessage is due.
    void SaveAndReachDueTime(TaskList& list) {
        list.Save(ALL_TASKS);
        clock.Set(2026, 12, 8, 14, 31, 0);
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const auto& [text, caption] : messages.shown) texts.push_back(text);
        return texts;
    }
};

TEST_F(TaskListTest, EmptyStoreGivesAnEmptyListAndChecksWriteNothing) {
    TaskList list(services);
    list.Load();
    EXPECT_EQ(list.GetCount(), 0);
    list.CheckAll();
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(TaskListTest, CountWithoutItsSectionGivesADefaultTask) {
    WriteProfile("[settings]\nNumApps=2\n[App1]\ntitle=First\nTask=M\ntype=Weekly\n");
    TaskList list(services);
    list.Load();
    ASSERT_EQ(list.GetCount(), 2);
    Task* second = list.GetTask(1);
    EXPECT_EQ(second->GetTitle(), "App2");
    EXPECT_FALSE(second->IsDisabled());
    ASSERT_NE(second->GetAction(), nullptr);
    EXPECT_EQ(second->GetAction()->GetKind(), 0);
    EXPECT_EQ(second->GetSchedule()->GetKind(), 3);
    EXPECT_EQ(Stored("App2", "NextAt"), "08-Dec-2026 14:30:00");
    // A zero interval is due at every check and tries the empty command.
    list.CheckAll();
    clock.Advance(10);
    list.CheckAll();
    ASSERT_EQ(launcher.started.size(), 2u);
    EXPECT_EQ(launcher.started[0].first, "");
}

TEST_F(TaskListTest, CountOutOfRangeIsHeldToWhatTheListAllows) {
    const std::pair<const char*, int> cases[] = {{"-5", 0}, {"100001", 100000}};
    for (const auto& [stored, expected] : cases) {
        WriteProfile(std::string("[settings]\nNumApps=") + stored + "\n");
        TaskList list(services);
        list.Load();
        EXPECT_EQ(list.GetCount(), expected) << stored;
    }
}

TEST_F(TaskListTest, EmptyTitleIsKeptAndOnlyAMissingOneDefaults) {
    WriteProfile("[Settings]\nNumApps=2\n[APP1]\nTITLE=\n[app2]\n");
    TaskList list(services);
    list.Load();
    EXPECT_EQ(list.GetTask(0)->GetTitle(), "");
    EXPECT_EQ(list.GetTask(1)->GetTitle(), "App2");
}

TEST_F(TaskListTest, SaveAllRoundTripsEveryKind) {
    TaskList list(services);
    auto daily = std::make_unique<Task>(services, "Daily one", 0);
    auto weekly = std::make_unique<Task>(services, "Weekly one", 1);
    weekly->SetSchedule(std::make_unique<WeeklySchedule>(services, TimeOfDay(7, 0), 0, 3));
    weekly->SetAction(std::make_unique<RunApplicationAction>(services, "\"/opt/my tools/run\" --now", 5));
    auto monthly = std::make_unique<Task>(services, "  padded title  ", 0);
    monthly->SetSchedule(std::make_unique<MonthlySchedule>(services, TimeOfDay(10, 0), 1, 15));
    list.Append(std::move(daily));
    list.Append(std::move(weekly));
    list.Append(std::move(monthly));
    ASSERT_TRUE(list.Save(ALL_TASKS));

    TaskList loaded(services);
    loaded.Load();
    ASSERT_EQ(loaded.GetCount(), 3);
    EXPECT_EQ(loaded.GetTask(0)->GetTitle(), "Daily one");
    EXPECT_EQ(loaded.GetTask(1)->GetTitle(), "Weekly one");
    EXPECT_TRUE(loaded.GetTask(1)->IsDisabled());
    EXPECT_EQ(loaded.GetTask(1)->GetSchedule()->GetKind(), 1);
    EXPECT_EQ(static_cast<RunApplicationAction*>(loaded.GetTask(1)->GetAction())->GetCommandLine(),
              "\"/opt/my tools/run\" --now");
    EXPECT_EQ(loaded.GetTask(2)->GetTitle(), "  padded title  ");
    EXPECT_EQ(static_cast<MonthlySchedule*>(loaded.GetTask(2)->GetSchedule())->GetDayOfMonth(), 15);
    EXPECT_EQ(Stored("settings", "NumApps"), "3");
}

TEST_F(TaskListTest, RemovalRenumbersAndLeavesTheLastSectionUnread) {
    TaskList list(services);
    for (const char* title : {"one", "two", "three"}) list.Append(std::make_unique<Task>(services, title, 0));
    list.Save(ALL_TASKS);
    list.RemoveTask(1);
    list.Save(ALL_TASKS);
    EXPECT_EQ(Stored("Settings", "NumApps"), "2");
    EXPECT_EQ(Stored("App1", "title"), "one");
    EXPECT_EQ(Stored("App2", "title"), "three");
    EXPECT_EQ(Stored("App3", "title"), "three");

    TaskList loaded(services);
    loaded.Load();
    ASSERT_EQ(loaded.GetCount(), 2);
    EXPECT_EQ(loaded.GetTask(1)->GetTitle(), "three");
}

TEST_F(TaskListTest, TaskWithoutActionKeepsItsOwnKindWhenItMovesSection) {
    WriteProfile(
        "[settings]\nNumApps=3\n[App1]\nTask=A\ncommand=/bin/one\n"
        "[App2]\nTask=M\nMessage=old occupant\n[App3]\ntitle=odd\nTask=Zap\n");
    TaskList list(services);
    list.Load();
    list.RemoveTask(0);
    ASSERT_TRUE(list.Save(ALL_TASKS));
    EXPECT_EQ(Stored("App2", "Task"), "Zap");

    // After a restart the moved task still has no action and runs nothing.
    clock.Advance(60);
    TaskList loaded(services);
    loaded.Load();
    ASSERT_EQ(loaded.GetCount(), 2);
    EXPECT_EQ(loaded.GetTask(1)->GetTitle(), "odd");
    EXPECT_EQ(loaded.GetTask(1)->GetAction(), nullptr);
    loaded.CheckAll();
    EXPECT_EQ(Shown(), std::vector<std::string>{"old occupant"});  // the first task's box only
}

TEST_F(TaskListTest, SavingOneTaskWritesOnlyItsSection) {
    TaskList list(services);
    for (const char* title : {"one", "two", "three"}) list.Append(std::make_unique<Task>(services, title, 0));
    list.Save(ALL_TASKS);
    store.WriteInt("Settings", "NumApps", 7);
    const std::string before = ProfileText();
    list.GetTask(1)->SetTitle("renamed");
    ASSERT_TRUE(list.Save(1));
    const std::string after = ProfileText();
    EXPECT_EQ(Stored("App2", "title"), "renamed");
    EXPECT_EQ(Stored("Settings", "NumApps"), "7");
    // Everything outside [App2] is byte for byte the same.
    auto outside = [](const std::string& text) {
        const auto begin = text.find("[App2]");
        const auto end = text.find("[App3]");
        return text.substr(0, begin) + text.substr(end);
    };
    EXPECT_EQ(outside(after), outside(before));
    EXPECT_FALSE(list.Save(3));
}

TEST_F(TaskListTest, DueTasksRunInListOrderWithinOnePass) {
    TaskList list(services);
    list.Append(DueMessage("a", "first"));
    list.Append(DueMessage("b", "second"));
    auto app = std::make_unique<Task>(services, "c", 0);
    app->SetSchedule(std::make_unique<DailySchedule>(services, TimeOfDay(14, 31), 1, DailySchedule::SkipDays{}));
    app->SetAction(std::make_unique<RunApplicationAction>(services, "/usr/bin/true", 5));
    list.Append(std::move(app));
    SaveAndReachDueTime(list);

    std::vector<std::string> order;
    messages.onShow = [&](const std::string& text) {
        order.push_back(text);
        // The stored next run has moved on before the action started.
        EXPECT_EQ(Stored(text == "first" ? "App1" : "App2", "NextAt"), "09-Dec-2026 14:31:00");
    };
    list.CheckAll();
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(launcher.started.size(), 1u);
    list.CheckAll();  // nothing is due twice
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(TaskListTest, DisabledTaskNeitherRunsNorRewritesItsNextRun) {
    WriteProfile(
        "[settings]\nNumApps=1\n[App1]\nDisabled=1\nTask=M\ntype=Daily\nwhen=08:00\n"
        "RunMissedOnStartup=Yes\nNextAt=01-Dec-2026 08:00:00\n");
    TaskList list(services);
    list.Load();
    const std::string before = ProfileText();
    list.CheckAll();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ProfileText(), before);
}

TEST_F(TaskListTest, FailedStartStillAdvances) {
    WriteProfile(
        "[settings]\nNumApps=1\n[App1]\nTask=A\ncommand=/no/such/program\ntype=Daily\nwhen=08:00\n"
        "NextAt=01-Dec-2026 08:00:00\n");
    launcher.result = false;
    TaskList list(services);
    list.Load();
    list.CheckAll();
    EXPECT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(Stored("App1", "NextAt"), "09-Dec-2026 08:00:00");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(TaskListTest, NestedPassFromAnOpenBoxRunsWhatFellDueMeanwhile) {
    TaskList list(services);
    list.Append(DueMessage("a", "first"));
    auto later = DueMessage("b", "second");
    later->SetSchedule(std::make_unique<DailySchedule>(services, TimeOfDay(14, 32), 1, DailySchedule::SkipDays{}));
    list.Append(std::move(later));
    SaveAndReachDueTime(list);

    int depth = 0;
    messages.onShow = [&](const std::string& text) {
        if (text != "first" || depth++ > 0) return;
        // While the first box is open the timer ticks again a minute later.
        clock.Set(2026, 12, 8, 14, 32, 0);
        list.CheckAll();
    };
    list.CheckAll();
    // The inner pass opened the second box; the first task did not run
    // again, and the outer pass found the second task no longer due.
    EXPECT_EQ(Shown(), (std::vector<std::string>{"first", "second"}));
}

TEST_F(TaskListTest, RemovalUnderASuspendedPassIsNeverVisited) {
    TaskList list(services);
    for (const char* text : {"first", "second", "third"}) list.Append(DueMessage(text, text));
    SaveAndReachDueTime(list);

    messages.onShow = [&](const std::string& text) {
        // The user removes the task whose box is open and the one after it.
        if (text == "first") {
            list.RemoveTask(0);
            list.RemoveTask(0);
        }
    };
    list.CheckAll();
    // "third" moved to index 0, behind the suspended pass: it is not
    // visited again in this pass, and nothing beyond the count is.
    EXPECT_EQ(Shown(), (std::vector<std::string>{"first"}));
    ASSERT_EQ(list.GetCount(), 1);
    list.CheckAll();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"first", "third"}));
}

TEST_F(TaskListTest, EmptyingTheListUnderASuspendedPass) {
    TaskList list(services);
    for (const char* text : {"first", "second", "third"}) list.Append(DueMessage(text, text));
    SaveAndReachDueTime(list);
    messages.onShow = [&](const std::string&) {
        while (list.GetCount() > 0) list.RemoveTask(list.GetCount() - 1);
    };
    list.CheckAll();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"first"}));
}

TEST_F(TaskListTest, TasksAppendedDuringAPassWaitForTheNext) {
    TaskList list(services);
    list.Append(DueMessage("a", "first"));
    SaveAndReachDueTime(list);
    messages.onShow = [&](const std::string& text) {
        if (text == "first") list.Append(std::make_unique<Task>(services, "new", 0));
    };
    list.CheckAll();
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"first"}));
}

TEST_F(TaskListTest, DamagedFilesLoadAndCheckWithoutHarm) {
    // Random bytes around task sections whose values are out of every
    // range: the list loads, a check pass runs, and the list saves again.
    std::mt19937 random(7);
    const char* pieces[] = {"[settings]\nNumApps=4\n",
                            "[App1]\ntype=Daily\nSkipDays=1111111\nwhen=99:99\n",
                            "[App2]\ntype=Monthly\nDate=-7\nNextAt=\xff\xfe\n",
                            "[App3\ntype=W\nDayOfWeek=2147483647\n",
                            "[App4]\nTask=\x01\ntype=\n",
                            "NumApps=999999999999\n",
                            "\r\n=\n[]\n"};
    for (int round = 0; round < 40; ++round) {
        std::string text;
        for (int piece = 0; piece < 12; ++piece) {
            if (random() % 2 == 0) {
                text += pieces[random() % std::size(pieces)];
            } else {
                for (int n = random() % 64; n > 0; --n) text += static_cast<char>(random() % 256);
            }
        }
        WriteProfile(text);
        TaskList list(services);
        list.Load();
        ASSERT_LE(list.GetCount(), 4) << round;
        for (int i = 0; i < list.GetCount(); ++i) {
            EXPECT_TRUE(list.GetTask(i)->GetSchedule()->GetNextRun().IsValid()) << round;
        }
        list.CheckAll();
        clock.Advance(3600);
        list.CheckAll();
        EXPECT_TRUE(list.Save(ALL_TASKS)) << round;
    }
}

// A start whose recomputed next runs are the stored ones, and a save of
// an unchanged list, replace nothing; a start a minute later (every
// interval moves) replaces the file once, as does a save of one change.
TEST_F(TaskListTest, OnlyAChangeReplacesTheFile) {
    {
        TaskList list(services);
        auto interval = std::make_unique<Task>(services, "Every hour", 0);
        interval->SetSchedule(std::make_unique<IntervalSchedule>(services, TimeOfDay(1, 0), 1));
        list.Append(std::move(interval));
        list.Append(std::make_unique<Task>(services, "Daily", 0));
        ASSERT_TRUE(list.Save(ALL_TASKS));
    }
    const struct {
        long long advance;  // seconds the clock moves before the start
        int loadReplaces;   // replacements by the start's load
        bool changeOne;     // the title of the first task changes before the save
        int saveReplaces;
    } starts[] = {{0, 0, false, 0}, {60, 1, false, 0}, {0, 0, true, 1}};
    for (const auto& start : starts) {
        clock.Advance(start.advance);
        ProfileStore fresh(path, files);
        const CoreServices freshServices{fresh, clock, launcher, messages};
        TaskList list(freshServices);
        int before = files.replacements;
        list.Load();
        EXPECT_EQ(files.replacements - before, start.loadReplaces) << start.advance;
        if (start.changeOne) list.GetTask(0)->SetTitle("Renamed");
        before = files.replacements;
        ASSERT_TRUE(list.Save(ALL_TASKS));
        ASSERT_TRUE(list.Save(1));
        EXPECT_EQ(files.replacements - before, start.saveReplaces) << start.advance;
    }
    EXPECT_EQ(Stored("App1", "title"), "Renamed");
}

TEST_F(TaskListTest, RemoveWithAnInvalidIndexDoesNothing) {
    TaskList list(services);
    list.Append(std::make_unique<Task>(services, "one", 0));
    list.RemoveTask(-1);
    list.RemoveTask(1);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetTask(5), nullptr);
}

}  // namespace
}  // namespace tikr::test
