// The task properties dialog: opening on a task, and the saving exchange
// with its checks.
#include "properties_test_fixture.h"

#include <optional>
#include <string>
#include <vector>

#include "ui/data_exchange.h"

namespace tikr::ui {
namespace {

using namespace res;
using test::FakeWindow;
using test::UiEnv;

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
    std::vector<std::string> expected = {"SetUpDownRange 1031", "SetUpDownRange 1030", "SetUpDownRange 1029",
                                         "SetUpDownRange 1055", "SetUpDownRange 1057", "Show 1027",
                                         "Show 1021",           "Show 1022",           "Show 1023",
                                         "Show 1024",           "Show 1025",           "Show 1026",
                                         "Show 1044",           "Show 1038",           "Show 1046"};
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
            ASSERT_FALSE(window.messages.empty());
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
    EXPECT_EQ(LastMessage(), FormatMessage(MSG_INTEGER_RANGE, "0", "23"));
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

TEST_F(PropertiesTest, EachNumberFieldRefusesNumbersOutsideItsRange) {
    struct Case {
        int field;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {IDC_HOUR, "24", FormatMessage(MSG_INTEGER_RANGE, "0", "23")},
        {IDC_HOUR, "-1", FormatMessage(MSG_INTEGER_RANGE, "0", "23")},
        {IDC_MINUTE, "60", FormatMessage(MSG_INTEGER_RANGE, "0", "59")},
        {IDC_DAY_OF_MONTH, "0", FormatMessage(MSG_INTEGER_RANGE, "1", "31")},
        {IDC_DAY_OF_MONTH, "32", FormatMessage(MSG_INTEGER_RANGE, "1", "31")},
        {IDC_DAY_OF_MONTH, "x", "Please enter an integer."},
        {IDC_STOP_HOURS, "1000", "Please enter an integer between 0 and 999."},
        {IDC_STOP_MINUTES, "60", "Please enter an integer between 0 and 59."},
        {IDC_STOP_MINUTES, "", "Please enter an integer."},
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
    EXPECT_EQ(LastMessage(), FormatMessage(MSG_INTEGER_RANGE, "1", "31"));
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

}  // namespace
}  // namespace tikr::ui
