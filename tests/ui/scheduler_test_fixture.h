#pragma once
// The main window's SchedulerDialog on a fake window and tray over a profile file
// in a fresh directory, with helpers to write task lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "ui/scheduler_dialog.h"
#include "ui_test_env.h"

namespace tikr::ui {

using namespace res;
using test::FakeWindow;
using test::SectionText;
using test::UiEnv;

// n message tasks titled "Task 1" .. "Task n", run daily at 08:00.
inline std::string TasksIni(int n, const std::string& settings = std::string()) {
    std::string ini = "[Settings]\nNumApps=" + std::to_string(n) + "\n" + settings;
    for (int i = 1; i <= n; ++i) {
        ini += "[App" + std::to_string(i) + "]\ntitle=Task " + std::to_string(i) + "\nTask=Message\nMessage=Note " +
               std::to_string(i) +
               "\ntype=Daily\nwhen=08:00\nSkipDays=0000000\nRunMissedOnStartup=Yes\n"
               "NextAt=09-Dec-2026 08:00:00\n";
    }
    return ini;
}

// One application task that is due at once.
inline constexpr const char* DUE_TASK_INI =
    "[Settings]\nNumApps=1\n"
    "[App1]\ntitle=Due\nTask=Application\ncommand=/bin/job\n"
    "type=Daily\nwhen=01:00\nSkipDays=0000000\nRunMissedOnStartup=Yes\n"
    "NextAt=01-Jan-2000 01:00:00\n";

inline int Count(const std::vector<std::string>& calls, const std::string& call) {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

class SchedulerTest : public ::testing::Test {
protected:
    // Constructs the window on a profile file with the content (none when
    // empty) and initialises it.
    void Start(const std::string& ini = std::string()) {
        Construct(ini);
        schedulerDialog->OnInitDialog();
    }
    void Construct(const std::string& ini) {
        schedulerDialog.reset();  // before the services it uses go
        env.emplace(ini);
        schedulerDialog.emplace(env->services, test::APP_TITLE);
        schedulerDialog->Attach(window, window);
    }
    // The user selects a line; the front end reports it to the dispatch.
    void Select(int line) {
        window.ListSetSelection(IDC_TASK_LIST, line);
        EXPECT_TRUE(schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::selectionChanged));
    }
    std::vector<std::string>& Lines() { return window.Control(IDC_TASK_LIST).lines; }
    int Selection() { return window.ListGetSelection(IDC_TASK_LIST); }
    // A value as a fresh reader of the profile file sees it.
    int StoredInt(const std::string& section, const std::string& key) {
        return test::StoredInt(env->path, section, key);
    }
    std::string StoredString(const std::string& section, const std::string& key) {
        return test::StoredString(env->path, section, key);
    }

    std::optional<UiEnv> env;
    FakeWindow window;
    std::optional<SchedulerDialog> schedulerDialog;
};

}  // namespace tikr::ui
