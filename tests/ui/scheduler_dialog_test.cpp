// The main window's reactions and its tray icon, through the fake window.
#include "ui/scheduler_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "ui_test_env.h"

namespace tikr::ui {
namespace {

using namespace res;
using test::FakeWindow;
using test::SectionText;
using test::UiEnv;

// n message tasks titled "Task 1" .. "Task n", run daily at 08:00.
std::string TasksIni(int n, const std::string& settings = std::string()) {
    std::string ini = "[Settings]\nNumApps=" + std::to_string(n) + "\n" + settings;
    for (int i = 1; i <= n; ++i) {
        ini += "[App" + std::to_string(i) + "]\ntitle=Task " + std::to_string(i) +
               "\nTask=Message\nMessage=Note " + std::to_string(i) +
               "\ntype=Daily\nwhen=08:00\nSkipDays=0000000\nRunMissedOnStartup=Yes\n"
               "NextAt=09-Dec-2026 08:00:00\n";
    }
    return ini;
}

// One application task that is due at once.
constexpr const char* DUE_TASK_INI =
    "[Settings]\nNumApps=1\n"
    "[App1]\ntitle=Due\nTask=Application\ncommand=/bin/job\n"
    "type=Daily\nwhen=01:00\nSkipDays=0000000\nRunMissedOnStartup=Yes\n"
    "NextAt=01-Jan-2000 01:00:00\n";

int Count(const std::vector<std::string>& calls, const std::string& call) {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

class SchedulerTest : public ::testing::Test {
protected:
    // Constructs the window on a profile file with the content (none when
    // empty) and initialises it.
    void Start(const std::string& ini = std::string()) {
        Construct(ini);
        dialog->OnInitDialog();
    }
    void Construct(const std::string& ini) {
        dialog.reset();  // before the services it uses go
        env.emplace(ini);
        dialog.emplace(env->services, test::APP_TITLE);
        dialog->Attach(window, window);
    }
    // The user selects a line; the front end reports it to the dispatch.
    void Select(int line) {
        window.ListSetSelection(IDC_TASK_LIST, line);
        EXPECT_TRUE(dialog->OnCommand(IDC_TASK_LIST, ControlEvent::selectionChanged));
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
    std::optional<SchedulerDialog> dialog;
};

TEST_F(SchedulerTest, AnEmptyStoreStartsWithTheDefaults) {
    Start();
    EXPECT_EQ(dialog->GetHideOnStartup(), 0);
    EXPECT_EQ(dialog->GetShowIcon(), 1);
    EXPECT_EQ(dialog->GetInterval(), 10);
    EXPECT_FALSE(dialog->IsHidePending());
    EXPECT_EQ(window.Control(IDC_HIDE_ON_STARTUP).check, 0);
    EXPECT_EQ(window.Control(IDC_SHOW_ICON).check, 1);
    EXPECT_EQ(window.Text(IDC_INTERVAL), "10");
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Selection(), -1);
    EXPECT_EQ(window.trayCalls, std::vector<std::string>{"add 0 Task(s) Scheduled"});
    EXPECT_TRUE(dialog->IsTrayIconShown());
    EXPECT_EQ(window.timers, (std::map<unsigned, unsigned>{{SCHEDULER_TIMER_ID, 10000u}}));
    EXPECT_EQ(dialog->GetTimerId(), SCHEDULER_TIMER_ID);
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
    EXPECT_FALSE(dialog->OnCommand(IDC_TASK_LIST, ControlEvent::clicked));
    EXPECT_FALSE(dialog->OnCommand(IDC_ADD, ControlEvent::doubleClicked));
    EXPECT_FALSE(dialog->OnCommand(IDC_TIMING, ControlEvent::clicked));  // a properties dialog control
    EXPECT_FALSE(dialog->OnCommand(IDC_SHOW_ICON, ControlEvent::clicked));
    EXPECT_TRUE(window.calls.empty());

    EXPECT_TRUE(dialog->OnCommand(IDC_TASK_LIST, ControlEvent::doubleClicked));
    EXPECT_TRUE(dialog->OnCommand(IDC_PROPERTIES, ControlEvent::clicked));
    EXPECT_TRUE(dialog->OnCommand(IDC_ADD, ControlEvent::clicked));
    EXPECT_EQ(window.propertiesRuns, 3);
    EXPECT_TRUE(dialog->OnCommand(ID_HELP_COMMAND, ControlEvent::clicked));
    EXPECT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(dialog->OnCommand(IDC_REMOVE, ControlEvent::clicked));
    EXPECT_EQ(dialog->GetTasks().GetCount(), 1);
    EXPECT_TRUE(dialog->OnCommand(IDC_HIDE, ControlEvent::clicked));
    EXPECT_FALSE(window.windowVisible);
    EXPECT_FALSE(window.endResult.has_value());
    EXPECT_TRUE(dialog->OnCommand(ID_CANCEL, ControlEvent::clicked));
    EXPECT_EQ(window.endResult, ID_CANCEL);
    window.endResult.reset();
    EXPECT_TRUE(dialog->OnCommand(IDC_EXIT, ControlEvent::clicked));
    EXPECT_EQ(window.endResult, ID_CANCEL);
}

TEST_F(SchedulerTest, AnEmptyListLeavesRemoveAndPropertiesEnabledButIdle) {
    Start();
    EXPECT_TRUE(window.Enabled(IDC_REMOVE));
    EXPECT_TRUE(window.Enabled(IDC_PROPERTIES));
    dialog->OnRemove();
    dialog->OnProperties();
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
    test::ScriptPropertiesDialog(window, [](FakeWindow& w, TaskPropertiesDialog&) {
        w.Type(IDC_TITLE, "Never");
    }, false);
    dialog->OnAdd();
    EXPECT_EQ(window.propertiesRuns, 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 2"}));
    EXPECT_EQ(Selection(), 1);
    EXPECT_EQ(dialog->GetTasks().GetCount(), 2);
    EXPECT_EQ(env->ProfileText(), before);
    EXPECT_EQ(window.trayCalls.size(), 1u);  // the tip is unchanged
    EXPECT_FALSE(dialog->IsEditing());
}

TEST_F(SchedulerTest, AddThenOkAppendsSelectsSavesAndRetitlesTheIcon) {
    Start(TasksIni(2));
    std::string proposed;
    test::ScriptPropertiesDialog(window, [&](FakeWindow& w, TaskPropertiesDialog&) {
        proposed = w.Text(IDC_TITLE);
        w.Type(IDC_TITLE, "Brand new");
    }, true);
    dialog->OnAdd();
    EXPECT_EQ(proposed, "Task 3");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 2", "Brand new"}));
    EXPECT_EQ(Selection(), 2);
    EXPECT_EQ(StoredInt("settings", "NumApps"), 3);
    EXPECT_EQ(StoredString("App3", "title"), "Brand new");
    EXPECT_EQ(StoredString("App3", "Task"), "Message");
    EXPECT_EQ(window.trayCalls.back(), "modify 3 Task(s) Scheduled");
    EXPECT_FALSE(dialog->IsEditing());
}

TEST_F(SchedulerTest, NewTitlesCountFromTheLines) {
    Start(TasksIni(2));
    Select(0);
    dialog->OnRemove();
    std::string proposed;
    test::ScriptPropertiesDialog(window, [&](FakeWindow& w, TaskPropertiesDialog&) {
        proposed = w.Text(IDC_TITLE);
    }, true);
    dialog->OnAdd();
    EXPECT_EQ(proposed, "Task 2");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 2", "Task 2"}));
}

TEST_F(SchedulerTest, RemoveKeepsTheLineOrSelectsTheNewLast) {
    Start(TasksIni(3));
    Select(1);
    dialog->OnRemove();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 3"}));
    EXPECT_EQ(Selection(), 1);
    EXPECT_EQ(StoredInt("settings", "NumApps"), 2);
    EXPECT_EQ(StoredString("App2", "title"), "Task 3");
    EXPECT_EQ(window.trayCalls.back(), "modify 2 Task(s) Scheduled");

    dialog->OnRemove();  // line 1 is now the last line
    EXPECT_EQ(Lines(), std::vector<std::string>{"Task 1"});
    EXPECT_EQ(Selection(), 0);
    EXPECT_TRUE(window.Enabled(IDC_REMOVE));
    EXPECT_EQ(window.propertiesRuns, 0);  // no confirmation asked
}

TEST_F(SchedulerTest, RemovingTheOnlyTaskLeavesNoSelectionAndDisablesTheButtons) {
    Start(TasksIni(1));
    dialog->OnRemove();
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Selection(), -1);
    EXPECT_FALSE(window.Enabled(IDC_REMOVE));
    EXPECT_FALSE(window.Enabled(IDC_PROPERTIES));
    EXPECT_EQ(StoredInt("settings", "NumApps"), 0);
    EXPECT_EQ(window.trayCalls.back(), "modify 0 Task(s) Scheduled");
    const std::string after = env->ProfileText();
    dialog->OnRemove();
    dialog->OnProperties();
    EXPECT_EQ(env->ProfileText(), after);
    EXPECT_EQ(window.propertiesRuns, 0);

    Select(-1);
    EXPECT_FALSE(window.Enabled(IDC_PROPERTIES));
}

TEST_F(SchedulerTest, EditingWritesOnlyThatTasksSection) {
    Start(TasksIni(3));
    Select(1);
    const std::string before = env->ProfileText();
    test::ScriptPropertiesDialog(window, [](FakeWindow& w, TaskPropertiesDialog&) {
        w.Type(IDC_TITLE, "Edited");
    }, true);
    dialog->OnProperties();
    const std::string after = env->ProfileText();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Edited", "Task 3"}));
    EXPECT_EQ(Selection(), 1);
    for (const char* section : {"Settings", "App1", "App3"})
        EXPECT_EQ(SectionText(after, section), SectionText(before, section)) << section;
    EXPECT_NE(SectionText(after, "App2"), SectionText(before, "App2"));
    EXPECT_EQ(StoredString("App2", "title"), "Edited");
    EXPECT_EQ(window.trayCalls.size(), 1u);  // Properties leaves the tip alone
    EXPECT_FALSE(dialog->IsEditing());
}

TEST_F(SchedulerTest, PropertiesCancelledWritesNothing) {
    Start(TasksIni(2));
    Select(0);
    const std::string before = env->ProfileText();
    test::ScriptPropertiesDialog(window, [](FakeWindow& w, TaskPropertiesDialog&) {
        w.Type(IDC_TITLE, "Edited");
    }, false);
    dialog->OnProperties();
    EXPECT_EQ(env->ProfileText(), before);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Task 1", "Task 2"}));
    EXPECT_EQ(dialog->GetTasks().GetTask(0)->GetTitle(), "Task 1");
}

TEST_F(SchedulerTest, NoCheckRunsWhileThePropertiesDialogIsOpen) {
    for (bool add : {false, true}) {
        SCOPED_TRACE(add ? "Add" : "Properties");
        window = FakeWindow();
        Start(DUE_TASK_INI);
        bool editingInside = false;
        test::ScriptPropertiesDialog(window, [&](FakeWindow&, TaskPropertiesDialog&) {
            editingInside = dialog->IsEditing();
            dialog->OnTimer(SCHEDULER_TIMER_ID);
        }, false);
        if (add)
            dialog->OnAdd();
        else
            dialog->OnProperties();
        EXPECT_TRUE(editingInside);
        EXPECT_TRUE(env->launcher.started.empty());
        EXPECT_FALSE(dialog->IsEditing());

        dialog->OnTimer(SCHEDULER_TIMER_ID + 1);  // not this window's timer
        EXPECT_TRUE(env->launcher.started.empty());
        dialog->OnTimer(SCHEDULER_TIMER_ID);
        ASSERT_EQ(env->launcher.started.size(), 1u);
        EXPECT_EQ(env->launcher.started[0].first, "/bin/job");
    }
}

TEST_F(SchedulerTest, HideOnStartupHidesOnceAtTheFirstDrawing) {
    Start("[settings]\nHideOnStartup=1\n");
    EXPECT_TRUE(dialog->IsHidePending());
    EXPECT_EQ(window.Control(IDC_HIDE_ON_STARTUP).check, 1);
    EXPECT_EQ(Count(window.calls, "HideWindow"), 0);  // not during initialisation
    dialog->OnCtlColor();
    EXPECT_EQ(Count(window.calls, "HideWindow"), 1);
    EXPECT_FALSE(dialog->IsHidePending());
    window.ShowWindow(true);
    dialog->OnCtlColor();
    dialog->OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_EQ(Count(window.calls, "HideWindow"), 1);
}

TEST_F(SchedulerTest, HideOnStartupHidesOnceAtTheFirstTick) {
    Start("[settings]\nHideOnStartup=1\n");
    dialog->OnTimer(SCHEDULER_TIMER_ID + 7);
    EXPECT_EQ(Count(window.calls, "HideWindow"), 0);
    dialog->OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_EQ(Count(window.calls, "HideWindow"), 1);
    dialog->OnTimer(SCHEDULER_TIMER_ID);
    dialog->OnCtlColor();
    EXPECT_EQ(Count(window.calls, "HideWindow"), 1);
}

TEST_F(SchedulerTest, TurningHideOnStartupOnLaterDoesNotHideAgain) {
    Start();
    window.Control(IDC_HIDE_ON_STARTUP).check = 1;
    dialog->OnHide();
    window.ShowWindow(true);
    dialog->OnCtlColor();
    dialog->OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_TRUE(window.windowVisible);
    EXPECT_EQ(StoredInt("settings", "HideOnStartup"), 1);
}

struct IntervalCase {
    std::string text;
    std::string message;  // empty: accepted
};

TEST_F(SchedulerTest, HideAndExitRefuseBadIntervals) {
    const IntervalCase cases[] = {
        {"0", "Please enter an integer between 1 and 600."},
        {"601", "Please enter an integer between 1 and 600."},
        {"-5", "Please enter an integer between 1 and 600."},
        {"12a", "Please enter an integer."},
        {"", "Please enter an integer."},
    };
    for (bool exit : {false, true}) {
        for (const IntervalCase& c : cases) {
            SCOPED_TRACE(std::string(exit ? "Exit" : "Hide") + " with \"" + c.text + "\"");
            window = FakeWindow();
            Start("[settings]\ninterval=10\n");
            const std::string before = env->ProfileText();
            const std::vector<std::string> trayBefore = window.trayCalls;
            window.Control(IDC_SHOW_ICON).check = 0;
            window.Type(IDC_INTERVAL, c.text);
            if (exit)
                dialog->OnExit();
            else
                dialog->OnHide();
            ASSERT_EQ(window.messages.size(), 1u);
            EXPECT_EQ(window.messages[0].first, c.message);
            EXPECT_EQ(window.messages[0].second, test::APP_TITLE);
            EXPECT_EQ(window.focus, IDC_INTERVAL);
            EXPECT_TRUE(window.Control(IDC_INTERVAL).allSelected);
            EXPECT_EQ(dialog->GetShowIcon(), 0);  // read before the failure
            EXPECT_EQ(env->ProfileText(), before);
            EXPECT_EQ(window.trayCalls, trayBefore);
            EXPECT_EQ(Count(window.calls, "SetTimer 10000"), 1);
            EXPECT_EQ(Count(window.calls, "HideWindow"), 0);
            EXPECT_FALSE(window.endResult.has_value());
        }
    }
}

TEST_F(SchedulerTest, HideAcceptsAnIntervalWithBlanksAround) {
    Start();
    window.Type(IDC_INTERVAL, " 42 ");
    dialog->OnHide();
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(dialog->GetInterval(), 42);
    EXPECT_EQ(StoredInt("settings", "interval"), 42);
    EXPECT_EQ(window.timers[SCHEDULER_TIMER_ID], 42000u);
    EXPECT_EQ(window.calls.back(), "HideWindow");
    EXPECT_FALSE(window.endResult.has_value());
}

TEST_F(SchedulerTest, HideWithTheIconBoxClearedRemovesTheIcon) {
    Start();
    window.Control(IDC_SHOW_ICON).check = 0;
    dialog->OnHide();
    EXPECT_EQ(window.trayCalls.back(), "delete");
    EXPECT_FALSE(dialog->IsTrayIconShown());
    EXPECT_EQ(StoredInt("settings", "showicon"), 0);
    EXPECT_FALSE(window.windowVisible);
    EXPECT_EQ(window.calls.back(), "HideWindow");
}

TEST_F(SchedulerTest, ExitWritesTheSettingsThenRemovesTheIconAndStopsTheTimer) {
    Start();
    window.Control(IDC_HIDE_ON_STARTUP).check = 1;
    window.Type(IDC_INTERVAL, "30");
    std::vector<int> storedAtRemoval;
    window.onTrayDelete = [&] {
        storedAtRemoval = {StoredInt("settings", "HideOnStartup"), StoredInt("settings", "showicon"),
                           StoredInt("settings", "interval")};
    };
    dialog->OnExit();
    EXPECT_EQ(storedAtRemoval, (std::vector<int>{1, 1, 30}));
    EXPECT_EQ(window.trayCalls.back(), "delete");
    EXPECT_FALSE(dialog->IsTrayIconShown());
    EXPECT_TRUE(window.timers.empty());
    EXPECT_EQ(dialog->GetTimerId(), 0u);
    EXPECT_EQ(window.endResult, ID_CANCEL);
    const std::vector<std::string> tail(window.calls.end() - 2, window.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"KillTimer 4523", "EndDialog 2"}));
}

TEST_F(SchedulerTest, CancelDiscardsChangedSettings) {
    Start("[settings]\ninterval=10\n");
    const std::string before = env->ProfileText();
    window.Control(IDC_HIDE_ON_STARTUP).check = 1;
    window.Control(IDC_SHOW_ICON).check = 0;
    window.Type(IDC_INTERVAL, "77");
    dialog->OnCancel();
    EXPECT_EQ(env->ProfileText(), before);
    EXPECT_EQ(dialog->GetInterval(), 10);
    EXPECT_EQ(window.trayCalls.back(), "delete");
    EXPECT_TRUE(window.timers.empty());
    EXPECT_EQ(window.endResult, ID_CANCEL);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(SchedulerTest, AStoredShowIconOfFiveIsTakenAsZero) {
    Start("[settings]\nshowicon=5\n");
    EXPECT_EQ(dialog->GetShowIcon(), 0);
    EXPECT_EQ(window.Control(IDC_SHOW_ICON).check, 0);
    EXPECT_TRUE(window.trayCalls.empty());
    EXPECT_FALSE(dialog->IsTrayIconShown());
}

TEST_F(SchedulerTest, ATimerFailureAtInitialisationEndsTheRun) {
    window.timerWorks = false;
    Start("[settings]\ninterval=10\n");
    const std::string before = env->ProfileText();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].first, "System Resources Too Low ... Exiting");
    EXPECT_EQ(window.messages[0].second, test::APP_TITLE);
    EXPECT_EQ(window.endResult, 0);
    EXPECT_EQ(dialog->GetTimerId(), 0u);
    EXPECT_EQ(window.trayCalls, std::vector<std::string>{"add 0 Task(s) Scheduled"});
    EXPECT_TRUE(dialog->IsTrayIconShown());
    EXPECT_EQ(window.Control(IDC_INTERVAL_SPIN).upDownRange, std::make_pair(1, 600));
    EXPECT_EQ(env->ProfileText(), before);
}

TEST_F(SchedulerTest, StoredIntervalsOutsideTheRangeAreShownButTheTimerIsClamped) {
    const std::pair<std::string, unsigned> cases[] = {
        {"0", 1000u},       {"-5", 1000u},           {"100000", 600000u},
        {"2147483647", 600000u}, {"-2147483648", 1000u}, {"1", 1000u},
        {"600", 600000u},
    };
    for (const auto& [stored, period] : cases) {
        SCOPED_TRACE("interval=" + stored);
        window = FakeWindow();
        Start("[settings]\ninterval=" + stored + "\n");
        EXPECT_EQ(window.Text(IDC_INTERVAL), stored);
        EXPECT_EQ(window.timers[SCHEDULER_TIMER_ID], period);
        dialog->OnHide();
        bool inRange = period == 1000u ? stored == "1" : stored == "600";
        EXPECT_EQ(window.messages.empty(), inRange);
        if (!inRange) {
            EXPECT_EQ(window.messages[0].first, "Please enter an integer between 1 and 600.");
        }
    }
}

TEST_F(SchedulerTest, TheTrayTipCountsTasks) {
    Construct(std::string());
    EXPECT_EQ(dialog->TrayTipText(), "0 Task(s) Scheduled");
    Construct(TasksIni(1));
    EXPECT_EQ(dialog->TrayTipText(), "1 Task(s) Scheduled");
    Construct(TasksIni(12));
    EXPECT_EQ(dialog->TrayTipText(), "12 Task(s) Scheduled");
}

TEST_F(SchedulerTest, TwoAddsRegisterTheIconOnce) {
    Start();
    EXPECT_TRUE(dialog->AddTrayIcon());
    EXPECT_EQ(window.trayCalls.size(), 1u);
}

TEST_F(SchedulerTest, AFailedAddIsTriedAgainByTheNextSave) {
    window.trayAddWorks = false;
    Start();
    EXPECT_FALSE(dialog->IsTrayIconShown());
    dialog->UpdateTrayTip();
    dialog->RemoveTrayIcon();
    EXPECT_EQ(window.trayCalls.size(), 1u);
    window.trayAddWorks = true;
    dialog->OnHide();
    EXPECT_EQ(window.trayCalls, (std::vector<std::string>{"add 0 Task(s) Scheduled",
                                                          "add 0 Task(s) Scheduled"}));
    EXPECT_TRUE(dialog->IsTrayIconShown());
}

TEST_F(SchedulerTest, AFailedTipUpdateClearsTheFlagSoTheNextAddRegistersAgain) {
    Start(TasksIni(1));
    window.trayModifyWorks = false;
    dialog->OnRemove();
    EXPECT_EQ(window.trayCalls.back(), "modify 0 Task(s) Scheduled");
    EXPECT_FALSE(dialog->IsTrayIconShown());
    test::ScriptPropertiesDialog(window, nullptr, true);
    dialog->OnAdd();  // the tip update is skipped now
    EXPECT_EQ(window.trayCalls.size(), 2u);
    dialog->OnHide();
    EXPECT_EQ(window.trayCalls.back(), "add 1 Task(s) Scheduled");
    EXPECT_TRUE(dialog->IsTrayIconShown());
}

TEST_F(SchedulerTest, RemovalClearsTheFlagWhateverTheResult) {
    Start();
    window.trayDeleteWorks = false;
    EXPECT_FALSE(dialog->RemoveTrayIcon());
    EXPECT_FALSE(dialog->IsTrayIconShown());
    EXPECT_TRUE(dialog->RemoveTrayIcon());  // nothing to remove
    EXPECT_EQ(Count(window.trayCalls, "delete"), 1);
}

TEST_F(SchedulerTest, OnlyButtonPressesOnTheIconBringTheWindowBack) {
    Start();
    const std::pair<unsigned, bool> cases[] = {
        {MOUSE_LEFT_DOWN, true}, {MOUSE_RIGHT_DOWN, true}, {MOUSE_MOVE, false},
        {0x0202, false},        {0x0203, false},        {0x0205, false},
    };
    for (const auto& [message, brings] : cases) {
        window.calls.clear();
        EXPECT_EQ(dialog->OnTrayNotify(SCHEDULER_TIMER_ID, message), 1);
        const std::vector<std::string> expected =
            brings ? std::vector<std::string>{"ShowWindow", "SetForeground"} : std::vector<std::string>{};
        EXPECT_EQ(window.calls, expected) << "message " << message;
    }
    window.calls.clear();
    EXPECT_EQ(dialog->OnTrayNotify(0, MOUSE_LEFT_DOWN), 1);  // the identifier is not examined
    EXPECT_EQ(window.calls.size(), 2u);
}

TEST_F(SchedulerTest, HelpTellsWhereTheProfileIs) {
    Start();
    dialog->OnHelp();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].first.find(env->path), std::string::npos);
    EXPECT_EQ(window.messages[0].second, test::APP_TITLE);
}

}  // namespace
}  // namespace tikr::ui
