// The task properties dialog: opening on a task, the saving exchange with
// its checks, the rows each kind shows, browsing, OK and Cancel.
#include "ui/task_properties_dialog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/task.h"
#include "ui/data_exchange.h"
#include "ui_test_env.h"

namespace tikr::ui {
namespace {

using namespace res;
using test::FakeWindow;
using test::UiEnv;

const std::vector<int> DAILY_ROW = {IDC_SKIP_SUN, IDC_SKIP_MON, IDC_SKIP_TUE, IDC_SKIP_WED,
                                    IDC_SKIP_THU, IDC_SKIP_FRI, IDC_SKIP_SAT, IDC_SKIP_LABEL};
const std::vector<int> WEEKLY_ROW = {IDC_DAY_OF_WEEK, IDC_DAY_OF_WEEK_LABEL};
const std::vector<int> MONTHLY_ROW = {IDC_DAY_OF_MONTH, IDC_DAY_OF_MONTH_SPIN, IDC_DATE_LABEL};
const std::vector<int> APPLICATION_ROW = {IDC_COMMAND_LINE, IDC_COMMAND_LABEL, IDC_BROWSE};
const std::vector<int> MESSAGE_ROW = {IDC_MESSAGE, IDC_MESSAGE_LABEL};

// Which of the five rows are visible, in the order above.
std::vector<bool> RowsShown(FakeWindow& window) {
    std::vector<bool> shown;
    for (const auto* row : {&DAILY_ROW, &WEEKLY_ROW, &MONTHLY_ROW, &APPLICATION_ROW, &MESSAGE_ROW}) {
        bool all = true;
        bool none = true;
        for (int id : *row) {
            all = all && window.Visible(id);
            none = none && !window.Visible(id);
        }
        EXPECT_TRUE(all || none) << "row partly shown, first id " << row->front();
        shown.push_back(all);
    }
    return shown;
}

class PropertiesTest : public ::testing::Test {
protected:
    explicit PropertiesTest(const std::string& ini = std::string()) : env(ini) {}

    // Opens the dialog on the task in a freshly laid-out window.
    TaskPropertiesDialog& Open(Task& task) {
        dialog.emplace(task, env.services, test::APP_TITLE);
        test::LayOutPropertiesDialog(window);
        dialog->Attach(window);
        dialog->OnInitDialog();
        return *dialog;
    }

    // The user picks an entry; the front end reports it to the dispatch.
    void PickTiming(int kind) {
        window.Pick(IDC_TIMING, kind);
        EXPECT_TRUE(dialog->OnCommand(IDC_TIMING, ControlEvent::selectionChanged));
    }
    void PickAction(int kind) {
        window.Pick(IDC_ACTION, kind);
        EXPECT_TRUE(dialog->OnCommand(IDC_ACTION, ControlEvent::selectionChanged));
    }
    std::string LastMessage() const {
        return window.messages.empty() ? std::string() : window.messages.back().first;
    }

    UiEnv env;
    FakeWindow window;
    std::optional<TaskPropertiesDialog> dialog;
};

constexpr const char* STORED_TASKS =
    "[Settings]\n"
    "NumApps=4\n"
    "[App1]\n"
    "title=Weekly backup\n"
    "Task=Application\n"
    "command=/usr/bin/backup --all\n"
    "show=2\n"
    "type=Weekly\n"
    "when=08:05\n"
    "DayOfWeek=3\n"
    "RunMissedOnStartup=No\n"
    "[App2]\n"
    "title=Odd day\n"
    "Task=Message\n"
    "Message=Hello\n"
    "type=Weekly\n"
    "when=09:00\n"
    "DayOfWeek=9\n"
    "[App3]\n"
    "title=No action\n"
    "Task=Xylophone\n"
    "type=Monthly\n"
    "when=23:59\n"
    "Date=17\n"
    "[App4]\n"
    "title=Daily app\n"
    "Task=Application\n"
    "command=/bin/true\n"
    "show=2\n"
    "type=Daily\n"
    "when=08:00\n"
    "SkipDays=0000000\n"
    "RunMissedOnStartup=Yes\n"
    "NextAt=01-Jan-2030 08:00:00\n";

class StoredTaskTest : public PropertiesTest {
protected:
    StoredTaskTest() : PropertiesTest(STORED_TASKS) {}
};

TEST_F(PropertiesTest, ANewDefaultTaskOpensDailyWithAMessage) {
    Task task(env.services, "Task 3", 0);
    Open(task);

    EXPECT_EQ(window.Text(IDC_TITLE), "Task 3");
    EXPECT_EQ(window.Control(IDC_DISABLED).check, 0);
    EXPECT_EQ(window.GetComboSelection(IDC_TIMING), 0);
    EXPECT_EQ(window.Text(IDC_HOUR), "14");
    EXPECT_EQ(window.Text(IDC_MINUTE), "30");
    EXPECT_EQ(window.Control(IDC_RUN_MISSED).check, 1);
    const int skipBoxes[7] = {IDC_SKIP_SUN, IDC_SKIP_MON, IDC_SKIP_TUE, IDC_SKIP_WED,
                              IDC_SKIP_THU, IDC_SKIP_FRI, IDC_SKIP_SAT};
    const int expectedSkips[7] = {1, 0, 0, 0, 0, 0, 1};
    for (int day = 0; day < 7; ++day)
        EXPECT_EQ(window.Control(skipBoxes[day]).check, expectedSkips[day]) << "day " << day;
    EXPECT_EQ(window.GetComboSelection(IDC_ACTION), 1);
    EXPECT_EQ(window.Text(IDC_MESSAGE), "Message");
    EXPECT_EQ(window.Text(IDC_COMMAND_LINE), "");
    EXPECT_EQ(window.GetComboSelection(IDC_DAY_OF_WEEK), 0);  // Sunday, in the hidden row
    EXPECT_EQ(window.Text(IDC_DAY_OF_MONTH), "1");

    EXPECT_EQ(RowsShown(window), (std::vector<bool>{true, false, false, false, true}));
    EXPECT_EQ(window.Control(IDC_DAY_OF_MONTH_SPIN).upDownRange, std::make_pair(1, 31));
    EXPECT_EQ(window.Control(IDC_MINUTE_SPIN).upDownRange, std::make_pair(0, 59));
    EXPECT_EQ(window.Control(IDC_HOUR_SPIN).upDownRange, std::make_pair(0, 23));
    EXPECT_EQ(window.Control(IDC_TITLE).textLimit, 100);
    EXPECT_EQ(window.Control(IDC_COMMAND_LINE).textLimit, 256);
    EXPECT_FALSE(window.Control(IDC_MESSAGE).textLimit.has_value());
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(PropertiesTest, OpeningSetsRangesBeforeShowingTheRows) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    std::vector<std::string> expected = {
        "SetUpDownRange 1031", "SetUpDownRange 1030", "SetUpDownRange 1029",
        "Show 1027", "Show 1021", "Show 1022", "Show 1023", "Show 1024", "Show 1025",
        "Show 1026", "Show 1044", "Show 1038", "Show 1046"};
    EXPECT_EQ(window.calls, expected);
}

TEST_F(StoredTaskTest, AWeeklyTaskOpensWithItsDayAndRow) {
    Task task(env.services, "App1");
    Open(task);
    EXPECT_EQ(window.Text(IDC_TITLE), "Weekly backup");
    EXPECT_EQ(window.GetComboSelection(IDC_TIMING), 1);
    EXPECT_EQ(window.GetComboSelection(IDC_DAY_OF_WEEK), 3);
    EXPECT_EQ(window.Text(IDC_HOUR), "8");
    EXPECT_EQ(window.Text(IDC_MINUTE), "5");
    EXPECT_EQ(window.Control(IDC_RUN_MISSED).check, 0);
    EXPECT_EQ(window.GetComboSelection(IDC_ACTION), 0);
    EXPECT_EQ(window.Text(IDC_COMMAND_LINE), "/usr/bin/backup --all");
    EXPECT_EQ(window.Text(IDC_MESSAGE), "");
    EXPECT_EQ(window.Text(IDC_DAY_OF_MONTH), "1");
    for (int id : {IDC_SKIP_SUN, IDC_SKIP_MON, IDC_SKIP_SAT}) EXPECT_EQ(window.Control(id).check, 0);
    EXPECT_EQ(RowsShown(window), (std::vector<bool>{false, true, false, true, false}));
}

TEST_F(StoredTaskTest, OkWithoutChangesStillRebuildsScheduleAndAction) {
    Task task(env.services, "App4");
    ASSERT_EQ(task.GetSchedule()->GetNextRun().Format(Schedule::NEXT_RUN_FORMAT), "01-Jan-2030 08:00:00");
    Open(task);
    EXPECT_TRUE(dialog->OnOK());

    EXPECT_EQ(window.endResult, ID_OK);
    EXPECT_TRUE(window.messages.empty());
    ASSERT_EQ(task.GetSchedule()->GetKind(), 0);
    // Computed afresh from the moment of OK: the next 08:00.
    EXPECT_EQ(task.GetSchedule()->GetNextRun().Format(Schedule::NEXT_RUN_FORMAT), "09-Dec-2026 08:00:00");
    const DateTime& time = task.GetSchedule()->GetTimeOfDay();
    EXPECT_EQ(time.GetYear(), 1899);
    EXPECT_EQ(time.GetDay(), 30);
    EXPECT_EQ(time.GetHour(), 8);
    EXPECT_EQ(time.GetMinute(), 0);
    ASSERT_EQ(task.GetAction()->GetKind(), 0);
    auto& action = static_cast<RunApplicationAction&>(*task.GetAction());
    EXPECT_EQ(action.GetCommandLine(), "/bin/true");
    EXPECT_EQ(action.GetShowState(), 5);
    EXPECT_EQ(task.GetTitle(), "Daily app");
}

struct HourCase {
    std::string text;
    std::optional<int> hour;  // nothing: OK fails with message
    std::string message;
};

TEST_F(PropertiesTest, HourTexts) {
    const HourCase cases[] = {
        {"24", std::nullopt, "Please enter an integer between 0 and 23."},
        {"-1", std::nullopt, "Please enter an integer between 0 and 23."},
        {"", std::nullopt, "Please enter an integer."},
        {" 7 ", 7, ""},
        {"007", 7, ""},
        {"+5", 5, ""},
        {"0", 0, ""},
        {"23", 23, ""},
        {"-0", std::nullopt, "Please enter an integer."},
        {"+0", std::nullopt, "Please enter an integer."},
        {"0x1", std::nullopt, "Please enter an integer."},
        {"12abc", std::nullopt, "Please enter an integer."},
    };
    for (const HourCase& c : cases) {
        SCOPED_TRACE("hour text \"" + c.text + "\"");
        Task task(env.services, "Task 1", 0);
        window = FakeWindow();
        Open(task);
        window.Type(IDC_TITLE, "changed");
        window.Type(IDC_HOUR, c.text);
        bool ok = dialog->OnOK();
        EXPECT_EQ(ok, c.hour.has_value());
        if (c.hour) {
            EXPECT_EQ(window.endResult, ID_OK);
            EXPECT_EQ(task.GetSchedule()->GetTimeOfDay().GetHour(), *c.hour);
            EXPECT_EQ(task.GetTitle(), "changed");
        } else {
            EXPECT_EQ(LastMessage(), c.message);
            EXPECT_EQ(window.messages.back().second, test::APP_TITLE);
            EXPECT_EQ(window.focus, IDC_HOUR);
            EXPECT_TRUE(window.Control(IDC_HOUR).allSelected);
            EXPECT_FALSE(window.endResult.has_value());
            EXPECT_EQ(task.GetTitle(), "Task 1");
            EXPECT_EQ(dialog->title, "Task 1");  // later steps did not run
        }
    }
}

TEST_F(PropertiesTest, OnlyTheFirstFailureIsReportedThenTheNext) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    window.Type(IDC_HOUR, "25");
    window.Type(IDC_TITLE, std::string(101, 't'));
    EXPECT_FALSE(dialog->OnOK());
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(LastMessage(), "Please enter an integer between 0 and 23.");
    EXPECT_EQ(window.focus, IDC_HOUR);

    window.Type(IDC_HOUR, "9");
    EXPECT_FALSE(dialog->OnOK());
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(LastMessage(), "Please enter no more than 100 characters.");
    EXPECT_EQ(window.focus, IDC_TITLE);
    EXPECT_TRUE(window.Control(IDC_TITLE).allSelected);
    EXPECT_EQ(task.GetTitle(), "Task 1");

    window.Type(IDC_TITLE, std::string(100, 't'));
    EXPECT_TRUE(dialog->OnOK());
    EXPECT_EQ(task.GetTitle(), std::string(100, 't'));
    EXPECT_EQ(task.GetSchedule()->GetTimeOfDay().GetHour(), 9);
}

TEST_F(PropertiesTest, ALongStoredTitleIsShownWholeAndRefusedUntilShortened) {
    Task task(env.services, "Task 1", 0);
    const std::string longTitle(150, 'L');
    task.SetTitle(longTitle);
    Open(task);
    EXPECT_EQ(window.Text(IDC_TITLE), longTitle);
    EXPECT_FALSE(dialog->OnOK());
    EXPECT_EQ(LastMessage(), "Please enter no more than 100 characters.");
    EXPECT_EQ(task.GetTitle(), longTitle);
    window.Type(IDC_TITLE, "short");
    EXPECT_TRUE(dialog->OnOK());
    EXPECT_EQ(task.GetTitle(), "short");
}

TEST_F(PropertiesTest, DayOfMonthAndMinuteRangesAreChecked) {
    struct Case {
        int field;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {IDC_MINUTE, "60", "Please enter an integer between 0 and 59."},
        {IDC_DAY_OF_MONTH, "0", "Please enter an integer between 1 and 31."},
        {IDC_DAY_OF_MONTH, "32", "Please enter an integer between 1 and 31."},
        {IDC_DAY_OF_MONTH, "x", "Please enter an integer."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Task task(env.services, "Task 1", 0);
        window = FakeWindow();
        Open(task);
        window.Type(c.field, c.text);
        EXPECT_FALSE(dialog->OnOK());
        EXPECT_EQ(LastMessage(), c.message);
        EXPECT_EQ(window.focus, c.field);
    }
}

TEST_F(PropertiesTest, AHiddenFailingFieldStopsOkAndGetsTheFocus) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    PickTiming(2);
    window.Type(IDC_DAY_OF_MONTH, "0");
    PickTiming(0);
    ASSERT_FALSE(window.Visible(IDC_DAY_OF_MONTH));
    EXPECT_FALSE(dialog->OnOK());
    EXPECT_EQ(LastMessage(), "Please enter an integer between 1 and 31.");
    EXPECT_EQ(window.focus, IDC_DAY_OF_MONTH);
    EXPECT_TRUE(window.Control(IDC_DAY_OF_MONTH).allSelected);
}

TEST_F(PropertiesTest, TheCommandLineIsCheckedEvenForAMessageBox) {
    Task task(env.services, "Task 1", 0);
    Open(task);
    window.Type(IDC_COMMAND_LINE, std::string(257, 'c'));
    EXPECT_FALSE(dialog->OnOK());
    EXPECT_EQ(LastMessage(), "Please enter no more than 256 characters.");
    EXPECT_EQ(window.focus, IDC_COMMAND_LINE);
    window.Type(IDC_COMMAND_LINE, std::string(256, 'c'));
    EXPECT_TRUE(dialog->OnOK());
    EXPECT_EQ(task.GetAction()->GetKind(), 1);
}

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
        "/usr/bin/plain",
        "/home/me/My Programs/run me.sh",
        "/tmp/tab\there",
        "/tmp/it's",
        "/tmp/say \"hi\"",
        "/tmp/back\\slash",
        "/tmp/trailing\\",
        "/tmp/new\nline",
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
    EXPECT_EQ(task.IsDisabled(), 0);
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
    EXPECT_TRUE(dialog->OnOK());

    EXPECT_EQ(task.GetTitle(), "Monthly report");
    EXPECT_EQ(task.IsDisabled(), 1);
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
