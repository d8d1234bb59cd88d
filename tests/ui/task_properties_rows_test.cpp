// The task properties dialog: browsing, the dispatch, the rows each kind
// shows, and what OK and Cancel do to the task.
#include "properties_test_fixture.h"

#include <optional>
#include <string>
#include <vector>

namespace tikr::ui {
namespace {

using namespace res;
using test::FakeWindow;
using test::UiEnv;

TEST_F(PropertiesTest, ABrowsedPathFillsTheCommandLineAndLongOnesAreRefused) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    PickAction(0);
    const std::string longPath = "/" + std::string(299, 'p');
    window.chosenFile = longPath;
    dialog->OnBrowse();
    ASSERT_EQ(window.chooseFileFilters.size(), 1u);
    EXPECT_EQ(window.chooseFileFilters[0],
              "Executables (*.exe)|*.exe|Command Files (*.com)|*.com|Batch Files (*.bat)|*.bat|"
              "All Files (*.*)|*.*||");
    EXPECT_EQ(window.Text(IDC_COMMAND_LINE), longPath);
    EXPECT_EQ(dialog->commandLine, "");  // taken only at OK
    EXPECT_FALSE(dialog->OnOK());
    EXPECT_EQ(LastMessage(), "Please enter no more than 256 characters.");

    window.chosenFile.reset();  // the user cancels the file dialog
    dialog->OnBrowse();
    EXPECT_EQ(window.Text(IDC_COMMAND_LINE), longPath);
}

#ifdef _WIN32
TEST(QuotePathTest, WindowsPathsAreQuotedOnlyForBlanks) {
    EXPECT_EQ(TaskPropertiesDialog::QuotePathForCommandLine("C:\\Tools\\x.exe"), "C:\\Tools\\x.exe");
    EXPECT_EQ(TaskPropertiesDialog::QuotePathForCommandLine("C:\\Program Files\\x.exe"),
              "\"C:\\Program Files\\x.exe\"");
    EXPECT_EQ(TaskPropertiesDialog::QuotePathForCommandLine("C:\\tab\there"), "\"C:\\tab\there\"");
}
#else
TEST(QuotePathTest, TheLauncherStartsExactlyTheChosenFile) {
    const std::string paths[] = {
        "/usr/bin/plain",           "/home/me/My Programs/run me.sh",
        "/tmp/tab\there",           "/tmp/it's",
        "/tmp/say \"hi\"",          "/tmp/back\\slash",
        "/tmp/trailing\\",          "/tmp/new\nline",
        "C:\\Program Files\\x.exe",
    };
    for (const std::string& path : paths) {
        std::string quoted = TaskPropertiesDialog::QuotePathForCommandLine(path);
        EXPECT_EQ(SplitCommandLine(quoted), std::vector<std::string>{path}) << quoted;
    }
    EXPECT_EQ(TaskPropertiesDialog::QuotePathForCommandLine("/usr/bin/plain"), "/usr/bin/plain");
    EXPECT_EQ(TaskPropertiesDialog::QuotePathForCommandLine("/a b"), "\"/a b\"");
}
#endif

TEST_F(PropertiesTest, BrowsingAPathWithBlanksQuotesIt) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    PickAction(0);
    window.chosenFile = "/opt/My Tools/tool";
    dialog->OnBrowse();
    EXPECT_EQ(window.Text(IDC_COMMAND_LINE), "\"/opt/My Tools/tool\"");
    EXPECT_TRUE(dialog->OnOK());
    auto& action = static_cast<RunApplicationAction&>(*task.GetAction());
    EXPECT_EQ(SplitCommandLine(action.GetCommandLine()), std::vector<std::string>{"/opt/My Tools/tool"});
}

TEST_F(PropertiesTest, ZeroIntervalAndAllSkipDaysPass) {
    {
        Task task(env.services, "Task 1", 0);
        Open(task);
        PickTiming(3);
        EXPECT_EQ(RowsShown(window), (std::vector<bool>{false, false, false, false, true}));
        window.Type(IDC_HOUR, "0");
        window.Type(IDC_MINUTE, "0");
        EXPECT_TRUE(dialog->OnOK());
        EXPECT_EQ(task.GetSchedule()->GetKind(), 3);
        EXPECT_EQ(task.GetSchedule()->GetTimeOfDay().GetDayNumber(), 0.0);
    }
    {
        Task task(env.services, "Task 2", 0);
        window = FakeWindow();
        Open(task);
        for (int id = IDC_SKIP_MON; id <= IDC_SKIP_SUN; ++id) window.Control(id).check = 1;
        EXPECT_TRUE(dialog->OnOK());
        ASSERT_EQ(task.GetSchedule()->GetKind(), 0);
        DailySchedule::SkipDays all{1, 1, 1, 1, 1, 1, 1};
        EXPECT_EQ(static_cast<DailySchedule&>(*task.GetSchedule()).GetSkipDays(), all);
    }
}

TEST_F(PropertiesTest, TheDispatchTakesOnlyTheDialogsOwnEvents) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    window.calls.clear();
    EXPECT_FALSE(dialog->OnCommand(IDC_TIMING, ControlEvent::clicked));
    EXPECT_FALSE(dialog->OnCommand(IDC_TITLE, ControlEvent::selectionChanged));
    EXPECT_FALSE(dialog->OnCommand(IDC_ADD, ControlEvent::clicked));  // a main window button
    EXPECT_FALSE(dialog->OnCommand(ID_OK, ControlEvent::doubleClicked));
    EXPECT_TRUE(window.calls.empty());
    window.chosenFile = "/bin/ls";
    EXPECT_TRUE(dialog->OnCommand(IDC_BROWSE, ControlEvent::clicked));
    EXPECT_EQ(window.Text(IDC_COMMAND_LINE), "/bin/ls");
    EXPECT_TRUE(dialog->OnCommand(ID_CANCEL, ControlEvent::clicked));
    EXPECT_EQ(window.endResult, ID_CANCEL);
    EXPECT_TRUE(dialog->OnCommand(ID_OK, ControlEvent::clicked));
    EXPECT_EQ(window.endResult, ID_OK);
}

TEST_F(PropertiesTest, SwitchingActionRowsKeepsBothTexts) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    PickAction(0);
    EXPECT_EQ(dialog->actionKind, 0);
    EXPECT_EQ(RowsShown(window), (std::vector<bool>{true, false, false, true, false}));
    window.Type(IDC_COMMAND_LINE, "/bin/echo hi");
    PickAction(1);
    EXPECT_EQ(RowsShown(window), (std::vector<bool>{true, false, false, false, true}));
    EXPECT_EQ(window.Text(IDC_MESSAGE), "Message");
    window.Type(IDC_MESSAGE, "Tea");
    PickAction(0);
    EXPECT_EQ(window.Text(IDC_COMMAND_LINE), "/bin/echo hi");
    EXPECT_EQ(window.Text(IDC_MESSAGE), "Tea");

    EXPECT_TRUE(dialog->OnOK());
    ASSERT_EQ(task.GetAction()->GetKind(), 0);
    EXPECT_EQ(static_cast<RunApplicationAction&>(*task.GetAction()).GetCommandLine(), "/bin/echo hi");
}

TEST_F(PropertiesTest, SwitchingTimingRowsShowsOneRowAtATime) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    const std::vector<std::vector<bool>> expected = {
        {true, false, false, false, true},
        {false, true, false, false, true},
        {false, false, true, false, true},
        {false, false, false, false, true},
    };
    for (int kind : {2, 1, 3, 0, 1, 2}) {
        PickTiming(kind);
        EXPECT_EQ(dialog->timingKind, kind);
        EXPECT_EQ(RowsShown(window), expected[static_cast<std::size_t>(kind)]) << "kind " << kind;
    }
    window.Pick(IDC_DAY_OF_WEEK, 5);
    window.Type(IDC_DAY_OF_MONTH, "20");
    PickTiming(1);
    EXPECT_TRUE(dialog->OnOK());
    ASSERT_EQ(task.GetSchedule()->GetKind(), 1);
    EXPECT_EQ(static_cast<WeeklySchedule&>(*task.GetSchedule()).GetDayOfWeek(), 5);
}

TEST_F(PropertiesTest, NoTimingSelectionHidesTheRowAndBuildsDaily) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    PickTiming(-1);
    EXPECT_EQ(dialog->timingKind, -1);
    EXPECT_EQ(RowsShown(window), (std::vector<bool>{false, false, false, false, true}));
    dialog->ShowTimingRow(99, true);
    dialog->ShowActionRow(-7, true);
    PickAction(-1);
    EXPECT_TRUE(dialog->OnOK());
    EXPECT_EQ(task.GetSchedule()->GetKind(), 0);
    EXPECT_EQ(task.GetAction()->GetKind(), 0);
}

TEST_F(StoredTaskTest, AStoredDayOfWeekOutsideTheWeekOpensWithoutSelection) {
    Task task(env.services, "App2");
    Open(task);
    EXPECT_EQ(window.GetComboSelection(IDC_DAY_OF_WEEK), -1);
    EXPECT_TRUE(dialog->OnOK());
    ASSERT_EQ(task.GetSchedule()->GetKind(), 1);
    EXPECT_EQ(static_cast<WeeklySchedule&>(*task.GetSchedule()).GetDayOfWeek(), -1);
    EXPECT_TRUE(task.GetSchedule()->GetNextRun().IsValid());
}

TEST_F(StoredTaskTest, ATaskWithoutActionOpensAsAnEmptyApplication) {
    Task task(env.services, "App3");
    ASSERT_EQ(task.GetAction(), nullptr);
    Open(task);
    EXPECT_EQ(window.GetComboSelection(IDC_ACTION), 0);
    EXPECT_EQ(window.Text(IDC_COMMAND_LINE), "");
    EXPECT_EQ(window.GetComboSelection(IDC_TIMING), 2);
    EXPECT_EQ(window.Text(IDC_DAY_OF_MONTH), "17");
    EXPECT_EQ(RowsShown(window), (std::vector<bool>{false, false, true, true, false}));
    EXPECT_TRUE(dialog->OnOK());
    ASSERT_NE(task.GetAction(), nullptr);
    EXPECT_EQ(task.GetAction()->GetKind(), 0);
    EXPECT_EQ(static_cast<RunApplicationAction&>(*task.GetAction()).GetCommandLine(), "");
}

TEST_F(StoredTaskTest, CancelAfterEditsLeavesTheTaskAsItWas) {
    Task task(env.services, "App1");
    const Schedule* schedule = task.GetSchedule();
    const Action* action = task.GetAction();
    const std::string nextRun = schedule->GetNextRun().Format(Schedule::NEXT_RUN_FORMAT);
    const std::string fileBefore = env.ProfileText();
    Open(task);
    window.Type(IDC_TITLE, "edited");
    window.Type(IDC_HOUR, "3");
    window.Control(IDC_DISABLED).check = 1;
    PickTiming(2);
    PickAction(1);
    PickAction(0);
    window.chosenFile = "/bin/other";
    dialog->OnBrowse();
    dialog->OnCancel();

    EXPECT_EQ(window.endResult, ID_CANCEL);
    EXPECT_EQ(task.GetTitle(), "Weekly backup");
    EXPECT_FALSE(task.IsDisabled());
    EXPECT_EQ(task.GetSchedule(), schedule);
    EXPECT_EQ(task.GetAction(), action);
    EXPECT_EQ(schedule->GetNextRun().Format(Schedule::NEXT_RUN_FORMAT), nextRun);
    EXPECT_EQ(static_cast<const RunApplicationAction*>(action)->GetCommandLine(), "/usr/bin/backup --all");
    EXPECT_EQ(static_cast<const RunApplicationAction*>(action)->GetShowState(), 2);
    EXPECT_EQ(env.ProfileText(), fileBefore);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(StoredTaskTest, OkTakesEveryFieldAndWritesNothing) {
    Task task(env.services, "App1");
    const std::string fileBefore = env.ProfileText();
    Open(task);
    window.Type(IDC_TITLE, "Monthly report");
    window.Control(IDC_DISABLED).check = 1;
    window.Control(IDC_RUN_MISSED).check = 1;
    window.Type(IDC_HOUR, "6");
    window.Type(IDC_MINUTE, "45");
    PickTiming(2);
    window.Type(IDC_DAY_OF_MONTH, "28");
    PickAction(1);
    window.Type(IDC_MESSAGE, "Write the report");
    EXPECT_EQ(window.Control(IDC_IF_STILL_RUNNING).comboSelection, 0);  // no key: Start
    window.Pick(IDC_IF_STILL_RUNNING, 2);
    window.Type(IDC_STOP_HOURS, "12");
    window.Type(IDC_STOP_MINUTES, "5");
    EXPECT_TRUE(dialog->OnOK());
    EXPECT_EQ(task.GetIfStillRunning(), IfStillRunning::restart);
    EXPECT_EQ(task.GetStopAfter(), 12 * 60 + 5);

    EXPECT_EQ(task.GetTitle(), "Monthly report");
    EXPECT_TRUE(task.IsDisabled());
    ASSERT_EQ(task.GetSchedule()->GetKind(), 2);
    const auto& monthly = static_cast<const MonthlySchedule&>(*task.GetSchedule());
    EXPECT_EQ(monthly.GetDayOfMonth(), 28);
    EXPECT_EQ(monthly.GetRunMissedOnStartup(), 1);
    EXPECT_EQ(monthly.GetTimeOfDay().GetHour(), 6);
    EXPECT_EQ(monthly.GetTimeOfDay().GetMinute(), 45);
    EXPECT_EQ(monthly.GetNextRun().Format(Schedule::NEXT_RUN_FORMAT), "28-Dec-2026 06:45:00");
    ASSERT_EQ(task.GetAction()->GetKind(), 1);
    EXPECT_EQ(static_cast<const MessageBoxAction&>(*task.GetAction()).GetText(), "Write the report");
    EXPECT_EQ(env.ProfileText(), fileBefore);
}

}  // namespace
}  // namespace tikr::ui
