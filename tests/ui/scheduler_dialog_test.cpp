// The main window's reactions: start-up state, the dispatch, adding,
// removing and editing tasks, and the check pass while a task is edited.
#include "scheduler_test_fixture.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tikr::ui {
namespace {

using namespace res;
using test::FakeWindow;
using test::SectionText;
using test::UiEnv;

TEST_F(SchedulerTest, AnEmptyStoreStartsWithTheDefaults) {
    Start();
    EXPECT_EQ(schedulerDialog->GetSettings().GetHideOnStartup(), 0);
    EXPECT_EQ(schedulerDialog->GetSettings().GetShowIcon(), 1);
    EXPECT_EQ(schedulerDialog->GetSettings().GetInterval(), 10);
    EXPECT_FALSE(schedulerDialog->IsHidePending());
    EXPECT_EQ(window.Control(IDC_HIDE_ON_STARTUP).check, 0);
    EXPECT_EQ(window.Control(IDC_SHOW_ICON).check, 1);
    EXPECT_EQ(window.Text(IDC_INTERVAL), "10");
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Selection(), -1);
    EXPECT_EQ(window.trayCalls, std::vector<std::string>{"add 0 Task(s) Scheduled"});
    EXPECT_TRUE(schedulerDialog->GetTrayIcon().IsShown());
    EXPECT_EQ(window.timers, (std::map<unsigned, unsigned>{{SCHEDULER_TIMER_ID, 10000u}}));
    EXPECT_EQ(schedulerDialog->GetTimerId(), SCHEDULER_TIMER_ID);
    EXPECT_EQ(window.Control(IDC_INTERVAL_SPIN).upDownRange, std::make_pair(1, 600));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_FALSE(window.endResult.has_value());
    EXPECT_FALSE(env->ProfileExists());
}

// Each control event reaches its reaction through the one dispatch; events
// that mean nothing to the window change nothing.
TEST_F(SchedulerTest, TheDispatchRoutesEachControlEvent) {
    Start(TasksIni(2));
    window.calls.clear();
    EXPECT_FALSE(schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::clicked));
    EXPECT_FALSE(schedulerDialog->OnCommand(IDC_ADD, ControlEvent::doubleClicked));
    EXPECT_FALSE(schedulerDialog->OnCommand(IDC_TIMING, ControlEvent::clicked));  // a properties dialog control
    EXPECT_FALSE(schedulerDialog->OnCommand(IDC_SHOW_ICON, ControlEvent::clicked));
    EXPECT_TRUE(window.calls.empty());

    EXPECT_TRUE(schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::doubleClicked));
    EXPECT_TRUE(schedulerDialog->OnCommand(IDC_PROPERTIES, ControlEvent::clicked));
    EXPECT_TRUE(schedulerDialog->OnCommand(IDC_ADD, ControlEvent::clicked));
    EXPECT_EQ(window.propertiesRuns, 3);
    EXPECT_TRUE(schedulerDialog->OnCommand(ID_HELP_COMMAND, ControlEvent::clicked));
    EXPECT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked));
    EXPECT_EQ(schedulerDialog->GetTasks().GetCount(), 1);
    EXPECT_TRUE(schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked));
    EXPECT_FALSE(window.windowVisible);
    EXPECT_FALSE(window.endResult.has_value());
    EXPECT_TRUE(schedulerDialog->OnCommand(ID_CANCEL, ControlEvent::clicked));
    EXPECT_EQ(window.endResult, ID_CANCEL);
    window.endResult.reset();
    EXPECT_TRUE(schedulerDialog->OnCommand(IDC_EXIT, ControlEvent::clicked));
    EXPECT_EQ(window.endResult, ID_CANCEL);
}

TEST_F(SchedulerTest, AnEmptyListLeavesRemoveAndPropertiesEnabledButIdle) {
    Start();
    EXPECT_TRUE(window.Enabled(IDC_REMOVE));
    EXPECT_TRUE(window.Enabled(IDC_PROPERTIES));
    schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked);
    schedulerDialog->OnCommand(IDC_PROPERTIES, ControlEvent::clicked);
    EXPECT_EQ(window.propertiesRuns, 0);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(window.trayCalls.size(), 1u);
    EXPECT_FALSE(env->ProfileExists());
}

TEST_F(SchedulerTest, WithTasksTheFirstLineIsSelected) {
    Start(TasksIni(3));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 2", "Task 3"}));
    EXPECT_EQ(Selection(), 0);
    EXPECT_TRUE(window.Enabled(IDC_REMOVE));
    EXPECT_TRUE(window.Enabled(IDC_PROPERTIES));
    EXPECT_EQ(window.trayCalls, std::vector<std::string>{"add 3 Task(s) Scheduled"});
}

TEST_F(SchedulerTest, AddThenCancelChangesNothing) {
    Start(TasksIni(2));
    Select(1);
    const std::string before = env->ProfileText();
    test::ScriptPropertiesDialog(
        window, [](FakeWindow& w, TaskPropertiesDialog&) { w.Type(IDC_TITLE, "Never"); }, false);
    schedulerDialog->OnCommand(IDC_ADD, ControlEvent::clicked);
    EXPECT_EQ(window.propertiesRuns, 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 2"}));
    EXPECT_EQ(Selection(), 1);
    EXPECT_EQ(schedulerDialog->GetTasks().GetCount(), 2);
    EXPECT_EQ(env->ProfileText(), before);
    EXPECT_EQ(window.trayCalls.size(), 1u);  // the tip is unchanged
    EXPECT_FALSE(schedulerDialog->IsEditing());
}

TEST_F(SchedulerTest, AddThenOkAppendsSelectsSavesAndRetitlesTheIcon) {
    Start(TasksIni(2));
    std::string proposed;
    test::ScriptPropertiesDialog(
        window,
        [&](FakeWindow& w, TaskPropertiesDialog&) {
            proposed = w.Text(IDC_TITLE);
            w.Type(IDC_TITLE, "Brand new");
        },
        true);
    schedulerDialog->OnCommand(IDC_ADD, ControlEvent::clicked);
    EXPECT_EQ(proposed, "Task 3");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 2", "Brand new"}));
    EXPECT_EQ(Selection(), 2);
    EXPECT_EQ(StoredInt("settings", "NumApps"), 3);
    EXPECT_EQ(StoredString("App3", "title"), "Brand new");
    EXPECT_EQ(StoredString("App3", "Task"), "Message");
    ASSERT_FALSE(window.trayCalls.empty());
    EXPECT_EQ(window.trayCalls.back(), "modify 3 Task(s) Scheduled");
    EXPECT_FALSE(schedulerDialog->IsEditing());
}

TEST_F(SchedulerTest, NewTitlesCountFromTheLines) {
    Start(TasksIni(2));
    Select(0);
    schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked);
    std::string proposed;
    test::ScriptPropertiesDialog(
        window, [&](FakeWindow& w, TaskPropertiesDialog&) { proposed = w.Text(IDC_TITLE); }, true);
    schedulerDialog->OnCommand(IDC_ADD, ControlEvent::clicked);
    EXPECT_EQ(proposed, "Task 2");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 2", "Task 2"}));
}

TEST_F(SchedulerTest, RemoveKeepsTheLineOrSelectsTheNewLast) {
    Start(TasksIni(3));
    Select(1);
    schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 3"}));
    EXPECT_EQ(Selection(), 1);
    EXPECT_EQ(StoredInt("settings", "NumApps"), 2);
    EXPECT_EQ(StoredString("App2", "title"), "Task 3");
    ASSERT_FALSE(window.trayCalls.empty());
    EXPECT_EQ(window.trayCalls.back(), "modify 2 Task(s) Scheduled");

    schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked);  // line 1 is now the last line
    EXPECT_EQ(Lines(), std::vector<std::string>{"Task 1"});
    EXPECT_EQ(Selection(), 0);
    EXPECT_TRUE(window.Enabled(IDC_REMOVE));
    EXPECT_EQ(window.propertiesRuns, 0);  // no confirmation asked
}

TEST_F(SchedulerTest, RemovingTheOnlyTaskLeavesNoSelectionAndDisablesTheButtons) {
    Start(TasksIni(1));
    schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Selection(), -1);
    EXPECT_FALSE(window.Enabled(IDC_REMOVE));
    EXPECT_FALSE(window.Enabled(IDC_PROPERTIES));
    EXPECT_EQ(StoredInt("settings", "NumApps"), 0);
    ASSERT_FALSE(window.trayCalls.empty());
    EXPECT_EQ(window.trayCalls.back(), "modify 0 Task(s) Scheduled");
    const std::string after = env->ProfileText();
    schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked);
    schedulerDialog->OnCommand(IDC_PROPERTIES, ControlEvent::clicked);
    EXPECT_EQ(env->ProfileText(), after);
    EXPECT_EQ(window.propertiesRuns, 0);

    Select(-1);
    EXPECT_FALSE(window.Enabled(IDC_PROPERTIES));
}

TEST_F(SchedulerTest, EditingWritesOnlyThatTasksSection) {
    Start(TasksIni(3));
    Select(1);
    const std::string before = env->ProfileText();
    test::ScriptPropertiesDialog(
        window, [](FakeWindow& w, TaskPropertiesDialog&) { w.Type(IDC_TITLE, "Edited"); }, true);
    schedulerDialog->OnCommand(IDC_PROPERTIES, ControlEvent::clicked);
    const std::string after = env->ProfileText();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Edited", "Task 3"}));
    EXPECT_EQ(Selection(), 1);
    for (const char* section : {"Settings", "App1", "App3"})
        EXPECT_EQ(SectionText(after, section), SectionText(before, section)) << section;
    EXPECT_NE(SectionText(after, "App2"), SectionText(before, "App2"));
    EXPECT_EQ(StoredString("App2", "title"), "Edited");
    EXPECT_EQ(window.trayCalls.size(), 1u);  // Properties leaves the tip alone
    EXPECT_FALSE(schedulerDialog->IsEditing());
}

TEST_F(SchedulerTest, PropertiesCancelledWritesNothing) {
    Start(TasksIni(2));
    Select(0);
    const std::string before = env->ProfileText();
    test::ScriptPropertiesDialog(
        window, [](FakeWindow& w, TaskPropertiesDialog&) { w.Type(IDC_TITLE, "Edited"); }, false);
    schedulerDialog->OnCommand(IDC_PROPERTIES, ControlEvent::clicked);
    EXPECT_EQ(env->ProfileText(), before);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 2"}));
    EXPECT_EQ(schedulerDialog->GetTasks().GetTask(0)->GetTitle(), "Task 1");
}

TEST_F(SchedulerTest, NoCheckRunsWhileThePropertiesDialogIsOpen) {
    for (bool add : {false, true}) {
        SCOPED_TRACE(add ? "Add" : "Properties");
        window = FakeWindow();
        Start(DUE_TASK_INI);
        bool editingInside = false;
        test::ScriptPropertiesDialog(
            window,
            [&](FakeWindow&, TaskPropertiesDialog&) {
                editingInside = schedulerDialog->IsEditing();
                schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
            },
            false);
        if (add) schedulerDialog->OnCommand(IDC_ADD, ControlEvent::clicked);
        else schedulerDialog->OnCommand(IDC_PROPERTIES, ControlEvent::clicked);
        EXPECT_TRUE(editingInside);
        EXPECT_TRUE(env->launcher.started.empty());
        EXPECT_FALSE(schedulerDialog->IsEditing());

        schedulerDialog->OnTimer(SCHEDULER_TIMER_ID + 100);  // not this window's timer
        EXPECT_TRUE(env->launcher.started.empty());
        schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
        ASSERT_EQ(env->launcher.started.size(), 1u);
        EXPECT_EQ(env->launcher.started[0].first, "/bin/job");
    }
}

// Exit, Escape or the close box while scheduled boxes are open end their
// waits; the passes that opened them go no further: the task after them is
// neither started nor advanced and keeps its stored next run for the next
// start, and no later tick or Run Now runs anything.
TEST_F(SchedulerTest, EndingWhileABoxIsOpenStopsThePassesWaitingInIt) {
    const std::string due =
        "type=Daily\nwhen=01:00\nSkipDays=0000000\nRunMissedOnStartup=Yes\n"
        "NextAt=01-Jan-2000 01:00:00\n";
    const std::string ini = "[Settings]\nNumApps=4\n[App1]\ntitle=First\nTask=Application\ncommand=/bin/first\n" + due +
                            "[App2]\ntitle=Box\nTask=Message\nMessage=Outer\n" + due +
                            "[App3]\ntitle=Inner box\nTask=Message\nMessage=Inner\n" + due +
                            "[App4]\ntitle=Last\nTask=Application\ncommand=/bin/last\n" + due;
    for (const int command : {IDC_EXIT, ID_CANCEL}) {
        SCOPED_TRACE(command == IDC_EXIT ? "Exit" : "Escape");
        window = FakeWindow();
        Start(ini);
        // The outer box is open when a tick comes: its nested pass opens
        // the inner box, and the user ends the program while both wait.
        env->messages.onShow = [&](const std::string& text) {
            if (text == "Outer") schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
            else EXPECT_TRUE(schedulerDialog->OnCommand(command, ControlEvent::clicked));
        };
        schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
        ASSERT_EQ(env->messages.shown.size(), 2u);
        ASSERT_EQ(env->launcher.started.size(), 1u);
        EXPECT_EQ(env->launcher.started[0].first, "/bin/first");
        EXPECT_EQ(window.endResult, ID_CANCEL);

        schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);  // a tick already queued
        Select(3);
        schedulerDialog->OnCommand(IDM_RUN_NOW, ControlEvent::clicked);
        EXPECT_EQ(env->launcher.started.size(), 1u);
        EXPECT_EQ(env->messages.shown.size(), 2u);
        EXPECT_EQ(StoredString("App4", "NextAt"), "01-Jan-2000 01:00:00");
        EXPECT_EQ(StoredString("App4", "LastRun"), "<missing>");
        EXPECT_NE(StoredString("App1", "NextAt"), "01-Jan-2000 01:00:00");
        EXPECT_EQ(schedulerDialog->GetTasks().GetTask(3)->GetSchedule()->GetNextRun().Format("%d-%b-%Y %H:%M:%S"),
                  "01-Jan-2000 01:00:00");
        EXPECT_FALSE(schedulerDialog->GetTasks().GetTask(3)->GetLastRun().IsValid());
    }
}

// The menu of a line: its entries follow the task, and each does what its
// button or a due run does.
TEST_F(SchedulerTest, TheLineMenuRunsDisablesEnablesAndRemovesTheSelectedTask) {
    Start(TasksIni(2));
    window.ListSetSelection(IDC_TASK_LIST, -1);
    EXPECT_TRUE(schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::contextMenu));
    EXPECT_TRUE(window.menus.empty());  // no line, no menu

    Select(1);
    window.menuChoice = IDM_RUN_NOW;
    schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::contextMenu);
    ASSERT_EQ(window.menus.size(), 1u);
    std::vector<std::string> texts;
    for (const MenuEntry& entry : window.menus[0]) texts.push_back(entry.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"&Run Now", "&Properties...", "&History...", "&Disable", "Re&move"}));
    ASSERT_EQ(env->messages.shown.size(), 1u);
    EXPECT_EQ(env->messages.shown[0].first, "Note 2");
    EXPECT_EQ(StoredString("App2", "NextAt"), "09-Dec-2026 08:00:00");
    EXPECT_EQ(StoredString("App2", "RunningSince"), "08-Dec-2026 14:30:00");
    EXPECT_EQ(schedulerDialog->DescribeLine(1),
              "Every day at 08:00\nNext run: Wed 9 Dec 2026 08:00\nLast run: Tue 8 Dec 2026 14:30, message shown");
    EXPECT_EQ(schedulerDialog->DescribeLine(2), "");

    window.menuChoice = IDM_TOGGLE_DISABLED;
    schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::contextMenu);
    EXPECT_EQ(StoredInt("App2", "Disabled"), 1);
    EXPECT_EQ(window.menus.back()[3].text, "&Disable");
    env->clock.Set(2026, 12, 10, 9, 0, 0);  // enabled again after its time passed
    schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::contextMenu);
    EXPECT_EQ(window.menus.back()[3].text, "&Enable");
    EXPECT_EQ(StoredInt("App2", "Disabled"), 0);
    EXPECT_EQ(StoredString("App2", "NextAt"), "11-Dec-2026 08:00:00");  // no stale run
    EXPECT_EQ(StoredString("App1", "NextAt"), "09-Dec-2026 08:00:00");  // that task's section only

    window.menuChoice = 0;  // dismissed
    schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::contextMenu);
    EXPECT_EQ(schedulerDialog->GetTasks().GetCount(), 2);
    window.menuChoice = IDM_TASK_REMOVE;
    schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::contextMenu);
    EXPECT_EQ(Lines(), std::vector<std::string>{"Task 1"});
    EXPECT_EQ(StoredInt("Settings", "NumApps"), 1);
    window.menuChoice = IDM_TASK_PROPERTIES;
    schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::contextMenu);
    EXPECT_EQ(window.propertiesRuns, 1);
}

// A program that ends after its start: a failure is told by the tray icon
// a moment later, with the others that failed meanwhile, once per same
// failure; the outcome reaches the file with the end's write, and a
// program still running then is stored as such.
TEST(SchedulerProgramEnd, FailedEndIsToldOnceAndOutcomesReachTheFileAtTheEnd) {
    test::CoreEnv env(DUE_TASK_INI);
    test::KeepingLauncher keeping;
    const CoreServices services{env.store, env.clock, keeping, env.messages};
    FakeWindow window;
    SchedulerDialog schedulerDialog(services, test::APP_TITLE);
    schedulerDialog.GetTasks().SetStartFailureHandler(
        [&schedulerDialog](const StartFailure& failure) { schedulerDialog.OnStartFailure(failure); });
    schedulerDialog.Attach(window, window);
    schedulerDialog.OnInitDialog();
    const std::string told =
        "notify tikr: a task failed | Task \"Due\" running \"/bin/job\" exited with status 2 after 41 s";

    schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    keeping.End(1, ProgramEnd::How::exited, 2, 41);
    EXPECT_EQ(Count(window.trayCalls, told), 0);
    EXPECT_EQ(window.timers[ENDS_TIMER_ID], ENDS_GATHER_MS);
    // Run Now's run fails the same way meanwhile: told with the first.
    ASSERT_TRUE(schedulerDialog.GetTasks().RunNow(0));
    keeping.End(2, ProgramEnd::How::exited, 2, 41);
    schedulerDialog.OnTimer(ENDS_TIMER_ID);
    EXPECT_EQ(Count(window.trayCalls, told + " (and 1 more)"), 1);
    EXPECT_EQ(window.timers.count(ENDS_TIMER_ID), 0u);
    const std::size_t trayCalls = window.trayCalls.size();
    // The same failure at the next scheduled run is no news.
    env.clock.Set(2026, 12, 9, 1, 0, 0);
    schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    keeping.End(3, ProgramEnd::How::exited, 2, 41);
    EXPECT_EQ(window.timers.count(ENDS_TIMER_ID), 0u);
    EXPECT_EQ(window.trayCalls.size(), trayCalls);
    // The outcome of the runs before landed with this run's start; this
    // one's waits for the next write, which the run of the day after makes.
    EXPECT_EQ(test::StoredString(env.path, "App1", "LastResult"), "exited with status 2 after 41 s");
    EXPECT_EQ(test::StoredString(env.path, "App1", "RunningSince"), "09-Dec-2026 01:00:00");

    env.clock.Set(2026, 12, 10, 1, 0, 0);
    schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    schedulerDialog.OnCancel();
    EXPECT_EQ(test::StoredString(env.path, "App1", "LastResult"), "still running when Tikr ended");
}

// A notification holds a few lines: a long command line is cut, never the
// outcome at its end, and it begins with the name the front end gives.
TEST(SchedulerProgramEnd, ANotificationKeepsTheOutcomeWholeAndTheGivenName) {
    std::string ini = DUE_TASK_INI;
    ini.replace(ini.find("/bin/job"), 8, "/bin/job " + std::string(300, 'x'));
    test::CoreEnv env(ini);
    test::KeepingLauncher keeping;
    const CoreServices services{env.store, env.clock, keeping, env.messages};
    FakeWindow window;
    SchedulerDialog schedulerDialog(services, test::APP_TITLE);
    schedulerDialog.SetNotificationName("Tikr");
    schedulerDialog.GetTasks().SetStartFailureHandler(
        [&schedulerDialog](const StartFailure& failure) { schedulerDialog.OnStartFailure(failure); });
    schedulerDialog.Attach(window, window);
    schedulerDialog.OnInitDialog();
    schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    keeping.End(1, ProgramEnd::How::exited, 2, 41);
    schedulerDialog.OnTimer(ENDS_TIMER_ID);
    ASSERT_FALSE(window.trayCalls.empty());
    const std::string& told = window.trayCalls.back();
    EXPECT_EQ(told.rfind("notify Tikr: a task failed | ", 0), 0u) << told;
    EXPECT_LT(told.size(), 200u);
    EXPECT_EQ(told.substr(told.size() - 36), "...\" exited with status 2 after 41 s") << told;
}

}  // namespace
}  // namespace tikr::ui
