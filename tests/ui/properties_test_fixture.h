#pragma once
// The task properties dialog opened on a fake window laid out like its
// resource, with a profile of stored tasks of each kind.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/task_properties_dialog.h"
#include "core/command_line.h"
#include "core/task.h"
#include "ui/data_exchange.h"
#include "ui_test_env.h"

namespace tikr::ui {

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
inline std::vector<bool> RowsShown(FakeWindow& window) {
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
    std::string LastMessage() const { return window.messages.empty() ? std::string() : window.messages.back().first; }

    UiEnv env;
    FakeWindow window;
    std::optional<TaskPropertiesDialog> dialog;
};

inline constexpr const char* STORED_TASKS =
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

}  // namespace tikr::ui
