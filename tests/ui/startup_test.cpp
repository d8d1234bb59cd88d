// Start-up shared by the front ends: the one-instance roles, the profile
// store it opens, and write failures reaching the main window as a notice.
#include "ui/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ui/scheduler_dialog.h"
#include "ui_test_env.h"

namespace tikr::ui {
namespace {

using namespace res;
using test::FakeWindow;

class FakeGuard : public InstanceGuard {
public:
    FakeGuard(Role role, std::string error) : role(role), error(std::move(error)) {}
    Role GetRole() const override { return role; }
    const std::string& GetError() const override { return error; }
    bool ServeShowRequests(ShowRequestWatch&, std::function<void()>) override { return false; }

private:
    Role role;
    std::string error;
};

struct StartupRun {
    StartupRun(InstanceGuard::Role role, const std::string& error, const std::string& profile)
        : startup("/opt/bin/sched.exe", {[this, profile](const std::string& executable, std::string& why) {
                                             executablePath = executable;
                                             if (profile.empty()) why = "Access is denied";
                                             return profile;
                                         },
                                         [role, error](const std::string& path) {
                                             guardPath = path;
                                             return std::make_unique<FakeGuard>(role, error);
                                         },
                                         [this](const std::string& line) { lines.push_back(line); }}) {}
    static inline std::string guardPath;
    std::string executablePath;
    std::vector<std::string> lines;
    Startup startup;
};

// The main window on a start-up's store, attached and initialised as a
// front end's main does it.
struct RunningWindow {
    // trayWorks false: the desktop has nowhere to show the icon.
    explicit RunningWindow(StartupRun& run, bool trayWorks = true)
        : services(run.startup.Services(clock, launcher, display)), schedulerDialog(services, run.startup.GetTitle()) {
        run.startup.Attach(schedulerDialog);
        schedulerDialog.Attach(window, window);
        window.trayAddWorks = trayWorks;
        schedulerDialog.OnInitDialog();
    }
    test::FakeClock clock{2026, 12, 8, 14, 30, 0};
    test::RecordingLauncher launcher;
    test::FakeMessageDisplay display;
    const CoreServices services;
    FakeWindow window;
    SchedulerDialog schedulerDialog;
};

TEST(Startup, RolesDecideWhetherTheSchedulerRunsAndWhatIsReported) {
    using Role = InstanceGuard::Role;
    struct Case {
        Role role;
        std::string error;
        bool runs;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {Role::first, "", true, {}},
        {Role::first, "no socket", true, {"sched: a later start cannot show this window: no socket"}},
        {Role::alreadyRunning, "", false, {}},
        {Role::alreadyRunning, "no answer", false, {"sched: no answer"}},
        {Role::unguarded, "no lock", true, {"sched: running without the one-instance guard: no lock"}},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        StartupRun run(c.role, c.error, dir.File("sched.INI"));
        EXPECT_EQ(run.startup.ShouldRun(), c.runs);
        EXPECT_EQ(run.lines, c.lines);
        EXPECT_EQ(run.startup.GetTitle(), "sched");
        EXPECT_EQ(run.executablePath, "/opt/bin/sched.exe");
        EXPECT_EQ(StartupRun::guardPath, dir.File("sched.INI"));
        if (c.runs) {
            EXPECT_EQ(run.startup.GetStore().GetFilePath(), dir.File("sched.INI"));
        }
    }
}

// Without a place for the profile file the start says why and ends:
// neither the guard nor the store is set up on a path of no folder.
TEST(Startup, WithoutAPlaceForTheProfileItSaysWhyAndEnds) {
    StartupRun::guardPath = "untouched";
    StartupRun run(InstanceGuard::Role::first, "", "");
    EXPECT_FALSE(run.startup.ShouldRun());
    EXPECT_EQ(StartupRun::guardPath, "untouched");
    EXPECT_NE(run.startup.GetFailure().find("sched.INI: Access is denied"), std::string::npos)
        << run.startup.GetFailure();
    EXPECT_EQ(run.lines, std::vector<std::string>{"sched: no place for the profile file: Access is denied"});

    test::TempDir dir;
    StartupRun placed(InstanceGuard::Role::first, "", dir.File("sched.INI"));
    EXPECT_TRUE(placed.startup.GetFailure().empty());
}

// A failed save is told in the window once, again only after a write that
// succeeded, without a message box that would hold up the checks; the
// tasks stay in memory and the next write that succeeds stores them all.
TEST(Startup, FailedSavesAreToldOnceInTheWindowAndTheTasksAreWrittenLater) {
    test::TempDir dir;
    // A file where the profile's folder should be: no write can succeed.
    const std::string folder = dir.File("blocked");
    const std::string profile = folder + "/sched.INI";
    test::TempDir::WriteFile(folder, "");
    StartupRun run(InstanceGuard::Role::first, "", profile);
    RunningWindow running(run);
    FakeWindow& window = running.window;
    SchedulerDialog& schedulerDialog = running.schedulerDialog;
    const auto add = [&](const std::string& title) {
        test::ScriptPropertiesDialog(
            window, [title](FakeWindow& w, TaskPropertiesDialog&) { w.Type(IDC_TITLE, title); }, true);
        schedulerDialog.OnCommand(IDC_ADD, ControlEvent::clicked);
    };

    add("First");
    add("Second");
    schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    ASSERT_EQ(window.notices.size(), 1u);
    EXPECT_NE(window.notices[0].first.find(profile), std::string::npos);
    EXPECT_EQ(window.notices[0].second, "sched");
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(schedulerDialog.GetTasks().GetCount(), 2);
    EXPECT_TRUE(schedulerDialog.IsSavePending());
    EXPECT_EQ(run.lines.size(), 3u);  // every failure reaches the report

    std::filesystem::remove(folder);
    schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_FALSE(schedulerDialog.IsSavePending());
    {
        ProfileStore reader(profile);
        EXPECT_EQ(reader.ReadInt("Settings", "NumApps", -1), 2);
        EXPECT_EQ(reader.ReadString("App2", "title", ""), "Second");
    }

    std::filesystem::remove_all(folder);
    test::TempDir::WriteFile(folder, "");
    // An edit after a failure writes the whole list, not the one section.
    window.ListSetSelection(IDC_TASK_LIST, 0);
    test::ScriptPropertiesDialog(
        window, [](FakeWindow& w, TaskPropertiesDialog&) { w.Type(IDC_TITLE, "Renamed"); }, true);
    schedulerDialog.OnCommand(IDC_PROPERTIES, ControlEvent::clicked);
    EXPECT_EQ(window.notices.size(), 2u);
    add("Third");
    EXPECT_EQ(window.notices.size(), 2u);
    std::filesystem::remove(folder);
    window.ListSetSelection(IDC_TASK_LIST, 0);
    schedulerDialog.OnCommand(IDC_PROPERTIES, ControlEvent::clicked);
    ProfileStore reader(profile);
    EXPECT_EQ(reader.ReadInt("Settings", "NumApps", -1), 3);
    EXPECT_EQ(reader.ReadString("App3", "title", ""), "Third");
    run.startup.Detach();
}

// A title's control characters never reach standard error raw.
TEST(Startup, ReportLinesHoldNoRawControlCharacters) {
    test::TempDir dir;
    test::TempDir::WriteFile(dir.File("sched.INI"),
                             "[Settings]\nNumApps=1\n[App1]\ntitle=Back\x01\x1b[31mup\ncommand=backp\ntype=Interval\n");
    StartupRun run(InstanceGuard::Role::first, "", dir.File("sched.INI"));
    RunningWindow running(run);
    running.launcher.failureReason = "no program named backp";
    running.launcher.result = false;
    running.schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines[0], "sched: Task \"Back  [31mup\" could not start \"backp\": no program named backp");
    running.schedulerDialog.OnCancel();
}

// A program that cannot start is told on the report line always, and by a
// notification from the tray icon while it is shown; the check goes on.
TEST(Startup, FailedStartsAreReportedAndNotifiedFromTheTrayIcon) {
    test::TempDir dir;
    test::TempDir::WriteFile(dir.File("sched.INI"),
                             "[Settings]\nNumApps=2\n[App1]\ntitle=Backup\ncommand=backp --all\ntype=Interval\n"
                             "[App2]\ntitle=Next\ncommand=next\ntype=Interval\n");
    StartupRun run(InstanceGuard::Role::first, "", dir.File("sched.INI"));
    RunningWindow running(run);
    FakeWindow& window = running.window;
    SchedulerDialog& schedulerDialog = running.schedulerDialog;
    test::RecordingLauncher& launcher = running.launcher;
    launcher.failureReason = "no program named backp";
    launcher.result = false;

    schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    const std::string text = "Task \"Backup\" could not start \"backp --all\": no program named backp";
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[0], "sched: " + text);
    // One notification for the pass.
    EXPECT_EQ(window.trayCalls.back(), "notify sched: a task could not start | " + text + " (and 1 more)");
    EXPECT_EQ(launcher.started.size(), 2u);
    EXPECT_TRUE(window.messages.empty());

    // The same failure again is reported, but not told a second time.
    window.trayCalls.clear();
    running.clock.Advance(1);
    schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_EQ(run.lines.size(), 4u);
    EXPECT_TRUE(window.trayCalls.empty());
    // The outcomes are on disk once the window ends.
    schedulerDialog.OnCancel();
    EXPECT_EQ(test::StoredString(dir.File("sched.INI"), "App1", "LastResult"),
              "could not start: no program named backp");
    EXPECT_EQ(test::StoredString(dir.File("sched.INI"), "App2", "LastResult"),
              "could not start: no program named backp");
    run.startup.Detach();
}

// Without a tray icon (none can be shown, or it is turned off) a failed
// start is told through the desktop's notification service, with the same
// once-per-failure rule as the icon's notifications.
TEST(Startup, WithoutATrayIconFailedStartsAreToldThroughTheDesktop) {
    for (const bool iconTurnedOff : {false, true}) {
        SCOPED_TRACE(iconTurnedOff ? "icon turned off" : "no tray");
        test::TempDir dir;
        test::TempDir::WriteFile(dir.File("sched.INI"), std::string("[Settings]\nNumApps=1\nshowicon=") +
                                                            (iconTurnedOff ? "0" : "1") +
                                                            "\n[App1]\ntitle=Backup\ncommand=backp\ntype=Interval\n");
        StartupRun run(InstanceGuard::Role::first, "", dir.File("sched.INI"));
        RunningWindow running(run, iconTurnedOff);
        FakeWindow& window = running.window;
        ASSERT_FALSE(running.schedulerDialog.GetTrayIcon().IsShown());
        running.launcher.failureReason = "no program named backp";
        running.launcher.result = false;

        window.trayCalls.clear();
        running.schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
        EXPECT_EQ(window.trayCalls, std::vector<std::string>{"desktop notify sched: a task could not start | Task "
                                                             "\"Backup\" could not start \"backp\": no program named "
                                                             "backp"});
        running.clock.Advance(1);
        running.schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);
        EXPECT_EQ(window.trayCalls.size(), 1u) << "the same failure again is not news";
        EXPECT_EQ(run.lines.size(), 2u) << "standard error hears of every failure";
        running.schedulerDialog.OnCancel();
        run.startup.Detach();
    }
}

// A failed save while the window is hidden is told by a notification as
// well as by the notice beside the window: from the icon while it is shown,
// else through the desktop. Once per failure, as the notice.
TEST(Startup, FailedSaveWhileHiddenIsNotified) {
    for (const bool trayWorks : {true, false}) {
        SCOPED_TRACE(trayWorks ? "tray" : "no tray");
        test::TempDir dir;
        const std::string folder = dir.File("blocked");
        const std::string profile = folder + "/sched.INI";
        test::TempDir::WriteFile(folder, "");
        StartupRun run(InstanceGuard::Role::first, "", profile);
        RunningWindow running(run, trayWorks);
        FakeWindow& window = running.window;
        const auto add = [&] {
            test::ScriptPropertiesDialog(
                window, [](FakeWindow&, TaskPropertiesDialog&) {}, true);
            running.schedulerDialog.OnCommand(IDC_ADD, ControlEvent::clicked);
        };
        const std::string told = std::string(trayWorks ? "notify" : "desktop notify") +
                                 " sched: tasks cannot be saved | The profile file " + profile + " cannot be written";

        window.windowVisible = true;
        window.trayCalls.clear();
        add();
        EXPECT_EQ(window.notices.size(), 1u);
        for (const std::string& call : window.trayCalls) EXPECT_NE(call.find("notify"), 0u) << call;

        std::filesystem::remove(folder);
        running.schedulerDialog.OnTimer(SCHEDULER_TIMER_ID);  // written: the next failure is news again
        ASSERT_FALSE(running.schedulerDialog.IsSavePending());
        std::filesystem::remove_all(folder);
        test::TempDir::WriteFile(folder, "");
        window.windowVisible = false;
        window.trayCalls.clear();
        add();
        add();
        EXPECT_EQ(window.notices.size(), 2u);
        std::vector<std::string> notifications;
        for (const std::string& call : window.trayCalls)
            if (call.find("notify") != std::string::npos) notifications.push_back(call);
        ASSERT_EQ(notifications.size(), 1u);
        EXPECT_EQ(notifications[0].rfind(told, 0), 0u) << notifications[0];
        std::filesystem::remove(folder);
        running.schedulerDialog.OnCancel();
        run.startup.Detach();
    }
}

}  // namespace
}  // namespace tikr::ui
