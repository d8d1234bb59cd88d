// The history window through a fake window: one task's runs newest first,
// the open button's state, a trimmed output file, an unreadable history,
// and the task line's menu entry that opens it.
#include <gtest/gtest.h>

#include <filesystem>

#include "scheduler_test_fixture.h"
#include "ui/history_dialog.h"

namespace tikr::ui {

namespace {

DateTime At(int day, int hour, int minute, int second) {
    DateTime when;
    when.SetDateTime(2026, 12, day, hour, minute, second);
    return when;
}

struct HistoryEnv {
    test::TempDir dir;
    RunRecords records{dir.Path().string()};
    FakeWindow window;

    std::string Output(const std::string& name) {
        const std::string path = dir.File(name);
        test::TempDir::WriteFile(path, "out\n");
        return path;
    }
    std::vector<std::string>& Lines() { return window.Control(IDC_HISTORY_LIST).lines; }
    void Select(HistoryDialog& dialog, int line) {
        window.ListSetSelection(IDC_HISTORY_LIST, line);
        EXPECT_TRUE(dialog.OnCommand(IDC_HISTORY_LIST, ControlEvent::selectionChanged));
    }
};

}  // namespace

// A start on the last day a date holds is a date like any other.
TEST(HistoryDialog, AStartOnTheLastDayIsShownAsADate) {
    EXPECT_EQ(HistoryDialog::RunLine({DateTime(DateTime::MAX_DAY_NUMBER), "Far", "future", 0, ""}),
              "Fri 31 Dec 9999 00:00, future");
}

TEST(HistoryDialog, ListsThatTasksRunsNewestFirstAndOpensTheSelectedOutput) {
    HistoryEnv env;
    const std::string kept = env.Output("kept.log");
    const std::string trimmed = env.dir.File("trimmed.log");  // removed to keep the folder small
    // In order of their ends: the long run of the 8th ends after the 9th's.
    env.records.Append({At(9, 9, 0, 5), "Backup", "exited with status 0 after 3 s", 3, kept});
    env.records.Append({At(9, 9, 1, 0), "Other", "exited with status 0 after 1 s", 1, env.Output("other.log")});
    env.records.Append({At(8, 9, 0, 0), "Backup", "exited with status 2 after 1 d 0 h", 86400, trimmed});
    env.records.Append({At(10, 9, 0, 0), "Backup", "could not start: No such file or directory", 0, ""});
    env.records.Append({At(10, 9, 30, 0), "Backup", "still running when Tikr ended", 125, kept});

    HistoryDialog dialog("Backup", &env.records, test::APP_TITLE);
    dialog.Attach(env.window);
    dialog.OnInitDialog();
    EXPECT_EQ(env.window.Text(IDC_HISTORY_TASK), "Task: Backup");
    EXPECT_EQ(env.Lines(), (std::vector<std::string>{
                               "Thu 10 Dec 2026 09:30, still running when Tikr ended (2 min 5 s)",
                               "Thu 10 Dec 2026 09:00, could not start: No such file or directory",
                               "Wed 9 Dec 2026 09:00:05, exited with status 0 after 3 s",
                               "Tue 8 Dec 2026 09:00, exited with status 2 after 1 d 0 h",
                           }));
    EXPECT_EQ(env.window.ListGetSelection(IDC_HISTORY_LIST), 0);
    EXPECT_TRUE(env.window.Enabled(IDC_OPEN_OUTPUT));

    env.Select(dialog, 1);  // no output file
    EXPECT_FALSE(env.window.Enabled(IDC_OPEN_OUTPUT));
    EXPECT_TRUE(dialog.OnCommand(IDC_OPEN_OUTPUT, ControlEvent::clicked));
    env.Select(dialog, -1);
    EXPECT_FALSE(env.window.Enabled(IDC_OPEN_OUTPUT));
    EXPECT_TRUE(env.window.opened.empty());

    env.Select(dialog, 2);
    EXPECT_TRUE(env.window.Enabled(IDC_OPEN_OUTPUT));
    EXPECT_TRUE(dialog.OnCommand(IDC_HISTORY_LIST, ControlEvent::doubleClicked));
    EXPECT_EQ(env.window.opened, std::vector<std::string>{kept});
    EXPECT_TRUE(env.window.messages.empty());

    // A trimmed output is told, not opened.
    env.Select(dialog, 3);
    dialog.OnCommand(IDC_OPEN_OUTPUT, ControlEvent::clicked);
    EXPECT_EQ(env.window.opened.size(), 1u);
    ASSERT_EQ(env.window.messages.size(), 1u);
    EXPECT_NE(env.window.messages[0].first.find("Tue 8 Dec 2026 09:00 is no longer kept"), std::string::npos);
    EXPECT_NE(env.window.messages[0].first.find(trimmed), std::string::npos);

    // No program to show it: told as well.
    env.window.viewerWorks = false;
    env.Select(dialog, 2);
    dialog.OnCommand(IDC_OPEN_OUTPUT, ControlEvent::clicked);
    ASSERT_EQ(env.window.messages.size(), 2u);
    EXPECT_NE(env.window.messages[1].first.find("No program could be started"), std::string::npos);

    EXPECT_TRUE(dialog.OnCommand(ID_CANCEL, ControlEvent::clicked));
    EXPECT_EQ(env.window.endResult, ID_CANCEL);
}

// A history line changed to name a file elsewhere, or one that is not an
// output file, never reaches the viewer, which could run it.
TEST(HistoryDialog, OnlyTheFoldersOwnOutputFilesAreOpened) {
    HistoryEnv env;
    test::TempDir elsewhere;
    const std::string outside = elsewhere.File("run.log");
    test::TempDir::WriteFile(outside, "out\n");
    const std::string launcher = env.Output("run.desktop");
    std::vector<std::string> files{outside, launcher, env.records.HistoryPath()};
    std::error_code noLinks;  // a system may refuse links to this user
    std::filesystem::create_symlink(outside, env.dir.File("link.log"), noLinks);
    if (!noLinks) files.push_back(env.dir.File("link.log"));
    // "<folder>/L/../../<folder name>/run.log" reads as a file of the folder,
    // but L leads elsewhere, and so does the path.
    const std::string name = env.dir.Path().filename().string();
    std::filesystem::create_directories(elsewhere.Path() / "a" / "b");
    std::filesystem::create_directories(elsewhere.Path() / "a" / name);
    test::TempDir::WriteFile((elsewhere.Path() / "a" / name / "run.log").string(), "out\n");
    std::filesystem::create_directory_symlink(elsewhere.Path() / "a" / "b", env.dir.File("L"), noLinks);
    if (!noLinks) files.push_back(env.dir.File("L/../../" + name + "/run.log"));
    for (const std::string& file : files)
        env.records.Append({At(9, 9, 0, 0), "Backup", "exited with status 0 after 1 s", 1, file});

    HistoryDialog dialog("Backup", &env.records, test::APP_TITLE);
    dialog.Attach(env.window);
    dialog.OnInitDialog();
    for (std::size_t line = 0; line < files.size(); ++line) {
        env.Select(dialog, static_cast<int>(line));
        dialog.OnCommand(IDC_OPEN_OUTPUT, ControlEvent::clicked);
    }
    EXPECT_TRUE(env.window.opened.empty());
    EXPECT_EQ(env.window.messages.size(), files.size());
}

// Instead of runs the list says why there are none; nothing can be opened.
TEST(HistoryDialog, NoRunsNoHistoryAndAnUnreadableHistoryAreSaidInTheList) {
    HistoryEnv env;
    env.records.Append({At(9, 9, 0, 0), "Other", "exited with status 0 after 1 s", 1, env.Output("o.log")});
    const auto open = [&env](const RunRecords* records) {
        HistoryDialog dialog("Backup", records, test::APP_TITLE);
        dialog.Attach(env.window);
        dialog.OnInitDialog();
        EXPECT_TRUE(dialog.Runs().empty());
        EXPECT_FALSE(env.window.Enabled(IDC_OPEN_OUTPUT));
        env.window.ListSetSelection(IDC_HISTORY_LIST, 0);
        dialog.OnCommand(IDC_OPEN_OUTPUT, ControlEvent::clicked);
        EXPECT_TRUE(env.window.opened.empty());
        return env.Lines();
    };
    EXPECT_EQ(open(&env.records), std::vector<std::string>{"This task has no runs in the history yet."});
    EXPECT_EQ(open(nullptr), std::vector<std::string>{"No history of runs is kept: there is no folder for it."});
    std::filesystem::remove(env.records.HistoryPath());
    std::filesystem::create_directory(env.records.HistoryPath());
    EXPECT_EQ(open(&env.records),
              std::vector<std::string>{"The history of runs cannot be read: " + env.records.HistoryPath()});
}

// "&History..." in the line's menu opens the window on the selected task.
TEST_F(SchedulerTest, TheLineMenuOpensTheSelectedTasksHistory) {
    Start(TasksIni(2));
    test::TempDir dir;
    RunRecords records(dir.Path().string());
    records.Append({At(8, 8, 0, 0), "Task 1", "exited with status 0 after 1 s", 1, ""});
    records.Append({At(8, 9, 0, 0), "Task 2", "exited with status 4 after 2 s", 2, ""});
    schedulerDialog->GetTasks().SetRunRecords(&records);
    std::vector<std::string> shown;
    window.runHistory = [&shown](HistoryDialog& history) {
        FakeWindow historyWindow;
        history.Attach(historyWindow);
        history.OnInitDialog();
        shown = historyWindow.Control(IDC_HISTORY_LIST).lines;
        return 2;
    };
    Select(1);
    window.menuChoice = IDM_TASK_HISTORY;
    schedulerDialog->OnCommand(IDC_TASK_LIST, ControlEvent::contextMenu);
    ASSERT_EQ(window.menus.size(), 1u);
    EXPECT_EQ(window.menus[0][2].text, "&History...");
    EXPECT_EQ(window.historyRuns, 1);
    EXPECT_EQ(shown, std::vector<std::string>{"Tue 8 Dec 2026 09:00, exited with status 4 after 2 s"});
}

}  // namespace tikr::ui
