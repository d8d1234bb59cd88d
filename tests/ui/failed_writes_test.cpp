// The main window on a profile whose disk fills up, wired as a front end's
// main wires it: runs stay on time while writes fail, the first failure is
// told once (start-up included), the end stores everything that waits in
// one write or says it could not, and failed starts are told as they should.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "full_disk.h"
#include "ui/scheduler_dialog.h"
#include "ui/startup.h"
#include "ui_test_env.h"

namespace tikr::ui {
namespace {

using namespace res;
using test::FakeWindow;
using test::TempDir;

class FirstGuard : public InstanceGuard {
public:
    Role GetRole() const override { return Role::first; }
    const std::string& GetError() const override { return error; }
    bool ServeShowRequests(ShowRequestWatch&, std::function<void()>) override { return false; }

private:
    std::string error;
};

class FailedWritesTest : public ::testing::Test {
protected:
    // Starts the window on a profile with the text, the disk full or not.
    void Start(const std::string& ini, bool full) {
        TearDown();
        clock.Set(2026, 12, 8, 14, 30, 0);
        TempDir::WriteFile(path, ini);
        files.full = full;
        startup.emplace("/opt/bin/sched",
                        Startup::Platform{[this](const std::string&, std::string&) { return path; },
                                          [](const std::string&) { return std::make_unique<FirstGuard>(); },
                                          [this](const std::string& line) { lines.push_back(line); }, &files});
        services.emplace(startup->Services(clock, launcher, display));
        schedulerDialog.emplace(*services, startup->GetTitle());
        startup->Attach(*schedulerDialog);
        schedulerDialog->Attach(window, window);
        schedulerDialog->OnInitDialog();
        launcher.onStart = [this](const std::string& command) { runs.push_back(command + " " + Time()); };
    }
    void TearDown() override {
        schedulerDialog.reset();
        startup.reset();
    }
    // Timer ticks every 10 seconds for the given time.
    void TickFor(int seconds) {
        for (int t = 0; t < seconds; t += 10) {
            clock.Advance(10);
            schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
        }
    }
    std::string Time() const {
        char text[16];
        std::snprintf(text, sizeof(text), "%02d:%02d:%02d", clock.fields.hour, clock.fields.minute,
                      clock.fields.second);
        return text;
    }
    std::string Stored(const std::string& section, const std::string& key) {
        return test::StoredString(path, section, key);
    }

    TempDir dir;
    std::string path = dir.File("sched.INI");
    test::FullDiskFiles files;
    std::vector<std::string> lines;
    std::optional<Startup> startup;
    test::FakeClock clock{2026, 12, 8, 14, 30, 0};
    test::RecordingLauncher launcher;
    test::FakeMessageDisplay display;
    std::optional<CoreServices> services;
    FakeWindow window;
    std::optional<SchedulerDialog> schedulerDialog;
    std::vector<std::string> runs;  // command and time of each start
};

constexpr const char* MINUTE_TASK =
    "[App1]\ntitle=Minute\nTask=Application\ncommand=minute\ntype=Interval\nwhen=00:01\n";

// Half an hour on a full disk: the retried writes store what is in memory
// and never move a run.
TEST_F(FailedWritesTest, RunsStayOnTimeWhileWritesFail) {
    Start(std::string("[Settings]\nNumApps=3\n") + MINUTE_TASK +
              "[App2]\ntitle=Daily\nTask=Application\ncommand=daily\ntype=Daily\nwhen=14:45\n"
              "SkipDays=0000000\nNextAt=08-Dec-2026 14:45:00\n"
              "[App3]\ntitle=Other\nTask=Application\ncommand=other\ntype=Daily\nwhen=06:00\n"
              "SkipDays=0000000\nNextAt=09-Dec-2026 06:00:00\n",
          true);
    TickFor(600);  // to 14:40:00
    // The properties dialog of another task is open from 14:40 to 14:50,
    // over the daily task's hour; OK saves the list while writes fail.
    window.ListSetSelection(IDC_TASK_LIST, 2);
    test::ScriptPropertiesDialog(
        window,
        [this](FakeWindow& w, TaskPropertiesDialog&) {
            TickFor(600);
            w.Type(IDC_TITLE, "Renamed");
        },
        true);
    schedulerDialog->OnCommand(IDC_PROPERTIES, ControlEvent::clicked);
    TickFor(600);  // to 15:00:00

    std::vector<std::string> expected;
    for (int minute = 31; minute <= 40; ++minute) expected.push_back("minute 14:" + std::to_string(minute) + ":00");
    for (int minute = 50; minute <= 59; ++minute) {
        expected.push_back("minute 14:" + std::to_string(minute) + ":10");
        if (minute == 50) expected.push_back("daily 14:50:10");  // the first check after the dialog
    }
    EXPECT_EQ(runs, expected);
    EXPECT_EQ(window.notices.size(), 1u);
    EXPECT_EQ(schedulerDialog->GetTasks().GetTask(2)->GetTitle(), "Renamed");

    // Space again: the next write stores the tasks as they are in memory.
    files.full = false;
    schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_FALSE(schedulerDialog->IsSavePending());
    EXPECT_EQ(runs.size(), expected.size());  // at 15:00:00 nothing is due
    EXPECT_EQ(Stored("App1", "NextAt"), "08-Dec-2026 15:00:10");
    EXPECT_EQ(Stored("App1", "LastRun"), "08-Dec-2026 14:59:10");
    EXPECT_EQ(Stored("App1", "LastResult"), "started");
    EXPECT_EQ(Stored("App2", "NextAt"), "09-Dec-2026 14:45:00");
    EXPECT_EQ(Stored("App2", "LastRun"), "08-Dec-2026 14:50:10");
    EXPECT_EQ(Stored("App3", "title"), "Renamed");
    EXPECT_EQ(window.notices.size(), 1u);
}

// Loading stores next runs before the window exists: a failure then is
// shown once the window is there, and later failures are not told again.
TEST_F(FailedWritesTest, AFailureDuringStartUpIsShownOnce) {
    Start(std::string("[Settings]\nNumApps=1\n") + MINUTE_TASK, true);
    ASSERT_EQ(window.notices.size(), 1u);
    EXPECT_NE(window.notices[0].first.find("No space left on device"), std::string::npos);
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_TRUE(schedulerDialog->IsSavePending());
    TickFor(120);
    EXPECT_EQ(window.notices.size(), 1u);
    EXPECT_EQ(runs.size(), 2u);
}

// A profile that cannot be read at start is said at once and never
// written over; once it reads, its tasks are taken up and a task added
// meanwhile joins them.
TEST_F(FailedWritesTest, AProfileUnreadableAtStartIsTakenUpOnceItReads) {
    files.unreadable = true;
    Start("[Settings]\nNumApps=2\ninterval=30\n" + std::string(MINUTE_TASK) +
              "[App2]\ntitle=Keep two\nTask=Message\ntype=Daily\nwhen=09:00\n",
          false);
    const std::string before = TempDir::ReadFile(path);
    ASSERT_EQ(window.notices.size(), 1u);
    EXPECT_NE(window.notices[0].first.find("cannot be read: Permission denied"), std::string::npos);
    EXPECT_TRUE(schedulerDialog->IsProfileUnread());
    EXPECT_TRUE(window.Control(IDC_TASK_LIST).lines.empty());

    test::ScriptPropertiesDialog(
        window, [](FakeWindow& w, TaskPropertiesDialog&) { w.Type(IDC_TITLE, "Added"); }, true);
    schedulerDialog->OnCommand(IDC_ADD, ControlEvent::clicked);
    TickFor(30);
    EXPECT_EQ(TempDir::ReadFile(path), before);
    EXPECT_EQ(window.notices.size(), 1u);

    files.unreadable = false;
    TickFor(10);
    EXPECT_FALSE(schedulerDialog->IsProfileUnread());
    EXPECT_EQ(window.Control(IDC_TASK_LIST).lines, (std::vector<std::string>{"Minute", "Keep two", "Added"}));
    EXPECT_EQ(Stored("Settings", "NumApps"), "3");
    EXPECT_EQ(Stored("App1", "title"), "Minute");
    EXPECT_EQ(Stored("App2", "title"), "Keep two");
    EXPECT_EQ(Stored("App3", "title"), "Added");
    EXPECT_EQ(schedulerDialog->GetSettings().GetInterval(), 30);
    EXPECT_EQ(window.notices.size(), 1u);

    // Ended while still unread, nothing added: nothing is lost.
    files.unreadable = true;
    Start(std::string("[Settings]\nNumApps=1\n") + MINUTE_TASK, false);
    schedulerDialog->OnCancel();
    EXPECT_EQ(startup->Finish(*schedulerDialog), 0);
}

// Exit, Escape and the end of the session leave nothing behind: what waits
// goes in one write, and a write that fails makes the end say so.
TEST_F(FailedWritesTest, TheEndStoresEverythingPendingInOneWrite) {
    for (const bool exit : {true, false}) {
        SCOPED_TRACE(exit ? "Exit" : "Escape");
        window = FakeWindow();
        runs.clear();
        Start(std::string("[Settings]\nNumApps=1\ninterval=10\n") + MINUTE_TASK, true);
        TickFor(60);
        ASSERT_EQ(runs.size(), 1u);
        files.full = false;  // the disk was freed just before the end
        const int before = files.replacements;
        if (exit) schedulerDialog->OnCommand(IDC_EXIT, ControlEvent::clicked);
        else schedulerDialog->OnCancel();
        EXPECT_EQ(files.replacements, before + 1);
        EXPECT_EQ(Stored("Settings", "NumApps"), "1");
        EXPECT_EQ(Stored("App1", "NextAt"), "08-Dec-2026 14:32:00");
        EXPECT_EQ(Stored("App1", "LastRun"), "08-Dec-2026 14:31:00");
        EXPECT_EQ(Stored("App1", "LastResult"), "started");
        EXPECT_EQ(window.endResult, ID_CANCEL);
        EXPECT_EQ(startup->Finish(*schedulerDialog), 0);
    }

    // Still full at the end: said on a line, and the status tells.
    window = FakeWindow();
    lines.clear();
    Start(std::string("[Settings]\nNumApps=1\n") + MINUTE_TASK, true);
    schedulerDialog->OnCommand(IDC_EXIT, ControlEvent::clicked);
    EXPECT_EQ(window.endResult, ID_CANCEL);
    EXPECT_EQ(window.notices.size(), 1u);  // the start-up's, none at the end
    EXPECT_TRUE(schedulerDialog->EndedUnsaved());
    EXPECT_EQ(startup->Finish(*schedulerDialog), 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("ended without saving"), std::string::npos);
}

// Settings that Hide confirmed while the disk was full are written with
// the next write that succeeds, not lost to a later write of the tasks.
TEST_F(FailedWritesTest, SettingsConfirmedDuringAFailureAreWrittenLater) {
    Start("[Settings]\nNumApps=0\ninterval=10\n", false);
    files.full = true;
    window.Type(IDC_INTERVAL, "45");
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    EXPECT_EQ(window.notices.size(), 1u);
    files.full = false;
    schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_EQ(Stored("settings", "interval"), "45");
    window.Type(IDC_INTERVAL, "50");  // not confirmed
    schedulerDialog->OnCancel();
    EXPECT_EQ(Stored("settings", "interval"), "45");
}

// A line written into the file by hand while the program runs survives a
// run's outcome written by Escape.
TEST_F(FailedWritesTest, EscapeAfterRunNowKeepsAHandEdit) {
    Start(std::string("[Settings]\nNumApps=1\n") + MINUTE_TASK, false);
    window.ListSetSelection(IDC_TASK_LIST, 0);
    schedulerDialog->OnCommand(IDM_RUN_NOW, ControlEvent::clicked);
    std::string text = TempDir::ReadFile(path);
    text.replace(text.find("NumApps=1"), 9, "NumApps=2");
    TempDir::WriteFile(path, text + "[App2]\ntitle=By hand\ncommand=hand\n");
    schedulerDialog->OnCancel();
    EXPECT_EQ(Stored("App2", "title"), "By hand");
    EXPECT_EQ(Stored("Settings", "NumApps"), "2");
    EXPECT_EQ(Stored("App1", "LastResult"), "started");
}

// A failed start is told by one notification per pass with its own text,
// again for a different failure after the first was told, never for a
// scheduled run that failed the same way before, always after Run Now,
// and in the window after Run Now when the icon is not shown.
TEST_F(FailedWritesTest, FailedStartsAreToldOnceEachAndAlwaysAfterRunNow) {
    Start(std::string("[Settings]\nNumApps=1\n") + MINUTE_TASK, false);
    launcher.result = false;
    launcher.failureReason = "no program named minute";
    const std::string title = "sched: a task could not start";
    const std::string text = "Task \"Minute\" could not start \"minute\": no program named minute";
    TickFor(60);
    ASSERT_EQ(window.trayCalls.size(), 2u);
    EXPECT_EQ(window.trayCalls[1], "notify " + title + " | " + text);
    TickFor(60);  // the same failure again: not told
    EXPECT_EQ(window.trayCalls.size(), 2u);
    window.ListSetSelection(IDC_TASK_LIST, 0);
    schedulerDialog->OnCommand(IDM_RUN_NOW, ControlEvent::clicked);  // asked for: told though it failed the same way
    ASSERT_EQ(window.trayCalls.size(), 3u);
    EXPECT_EQ(window.trayCalls[2], "notify " + title + " | " + text);
    launcher.failureReason = "not executable";
    TickFor(60);  // a different failure is news
    ASSERT_EQ(window.trayCalls.size(), 4u);
    EXPECT_EQ(window.trayCalls[3], "notify " + title + " | Task \"Minute\" could not start \"minute\": not executable");

    // Without the icon: the desktop's notification service tells it.
    window.Control(IDC_SHOW_ICON).check = 0;
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    window.trayCalls.clear();
    launcher.failureReason = "gone";
    TickFor(60);
    ASSERT_EQ(window.trayCalls.size(), 1u);
    EXPECT_EQ(window.trayCalls[0], "desktop notify " + title + " | Task \"Minute\" could not start \"minute\": gone");
    EXPECT_TRUE(window.notices.empty());

    // Without that service either: scheduled runs are told on standard error
    // alone, Run Now in the window.
    window.desktopNotifyWorks = false;
    launcher.failureReason = "lost";
    TickFor(60);
    EXPECT_TRUE(window.notices.empty());
    schedulerDialog->OnCommand(IDM_RUN_NOW, ControlEvent::clicked);
    ASSERT_EQ(window.notices.size(), 1u);
    EXPECT_EQ(window.notices[0].first, "Task \"Minute\" could not start \"minute\": lost");
    EXPECT_EQ(window.notices[0].second, title);
    EXPECT_EQ(lines.size(), 7u);  // every failure has its line
}

}  // namespace
}  // namespace tikr::ui
