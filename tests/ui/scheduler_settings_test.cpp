// The main window's settings, timer and tray icon: hide on start-up, Hide,
// Exit and Cancel, the interval's checks, the icon's registration and tip,
// and Help.
#include "scheduler_test_fixture.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/data_exchange.h"

namespace tikr::ui {
namespace {

using namespace res;
using test::FakeWindow;
using test::SectionText;
using test::UiEnv;

TEST_F(SchedulerTest, HideOnStartupHidesOnceAtTheFirstDrawing) {
    Start("[settings]\nHideOnStartup=1\n");
    EXPECT_TRUE(schedulerDialog->IsHidePending());
    EXPECT_EQ(window.Control(IDC_HIDE_ON_STARTUP).check, 1);
    EXPECT_EQ(Count(window.calls, "HideWindow"), 0);  // not during initialisation
    schedulerDialog->HideAfterFirstPaint();
    EXPECT_EQ(Count(window.calls, "HideWindow"), 1);
    EXPECT_FALSE(schedulerDialog->IsHidePending());
    window.ShowWindow(true);
    schedulerDialog->HideAfterFirstPaint();
    schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_EQ(Count(window.calls, "HideWindow"), 1);
}

TEST_F(SchedulerTest, HideOnStartupHidesOnceAtTheFirstTick) {
    Start("[settings]\nHideOnStartup=1\n");
    schedulerDialog->OnTimer(SCHEDULER_TIMER_ID + 7);
    EXPECT_EQ(Count(window.calls, "HideWindow"), 0);
    schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_EQ(Count(window.calls, "HideWindow"), 1);
    schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
    schedulerDialog->HideAfterFirstPaint();
    EXPECT_EQ(Count(window.calls, "HideWindow"), 1);
}

TEST_F(SchedulerTest, TurningHideOnStartupOnLaterDoesNotHideAgain) {
    Start();
    window.Control(IDC_HIDE_ON_STARTUP).check = 1;
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    window.ShowWindow(true);
    schedulerDialog->HideAfterFirstPaint();
    schedulerDialog->OnTimer(SCHEDULER_TIMER_ID);
    EXPECT_TRUE(window.windowVisible);
    EXPECT_EQ(StoredInt("settings", "HideOnStartup"), 1);
}

struct IntervalCase {
    std::string text;
    std::string message;  // empty: accepted
};

TEST_F(SchedulerTest, HideAndExitRefuseBadIntervals) {
    const IntervalCase cases[] = {
        {"0", FormatMessage(MSG_INTEGER_RANGE, "1", "600")},
        {"601", FormatMessage(MSG_INTEGER_RANGE, "1", "600")},
        {"-5", FormatMessage(MSG_INTEGER_RANGE, "1", "600")},
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
            if (exit) schedulerDialog->OnCommand(IDC_EXIT, ControlEvent::clicked);
            else schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
            ASSERT_EQ(window.messages.size(), 1u);
            EXPECT_EQ(window.messages[0].first, c.message);
            EXPECT_EQ(window.messages[0].second, test::APP_TITLE);
            EXPECT_EQ(window.focus, IDC_INTERVAL);
            EXPECT_TRUE(window.Control(IDC_INTERVAL).allSelected);
            EXPECT_EQ(schedulerDialog->GetSettings().GetShowIcon(), 0);  // read before the failure
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
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(schedulerDialog->GetSettings().GetInterval(), 42);
    EXPECT_EQ(StoredInt("settings", "interval"), 42);
    EXPECT_EQ(window.timers[SCHEDULER_TIMER_ID], 42000u);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.back(), "HideWindow");
    EXPECT_FALSE(window.endResult.has_value());
}

TEST_F(SchedulerTest, HideWithTheIconBoxClearedRemovesTheIcon) {
    Start();
    window.Control(IDC_SHOW_ICON).check = 0;
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    ASSERT_FALSE(window.trayCalls.empty());
    EXPECT_EQ(window.trayCalls.back(), "delete");
    EXPECT_FALSE(schedulerDialog->GetTrayIcon().IsShown());
    EXPECT_EQ(StoredInt("settings", "showicon"), 0);
    EXPECT_FALSE(window.windowVisible);
    ASSERT_FALSE(window.calls.empty());
    EXPECT_EQ(window.calls.back(), "HideWindow");
}

// Exit writes the settings before the icon goes, Escape discards them;
// both remove the icon, stop the timer and end the window.
TEST_F(SchedulerTest, ExitStoresTheSettingsAndEscapeDiscardsThemBothEndTheWindow) {
    for (const bool exit : {true, false}) {
        SCOPED_TRACE(exit ? "Exit" : "Escape");
        window = FakeWindow();
        Start("[settings]\ninterval=10\n");
        const std::string before = env->ProfileText();
        window.Control(IDC_HIDE_ON_STARTUP).check = 1;
        window.Control(IDC_SHOW_ICON).check = exit ? 1 : 0;
        window.Type(IDC_INTERVAL, exit ? "30" : "77");
        std::vector<int> storedAtRemoval;
        window.onTrayDelete = [&] {
            storedAtRemoval = {StoredInt("settings", "HideOnStartup"), StoredInt("settings", "showicon"),
                               StoredInt("settings", "interval")};
        };
        schedulerDialog->OnCommand(exit ? IDC_EXIT : ID_CANCEL, ControlEvent::clicked);
        if (exit) {
            EXPECT_EQ(storedAtRemoval, (std::vector<int>{1, 1, 30}));
        } else {
            EXPECT_EQ(env->ProfileText(), before);
            EXPECT_EQ(schedulerDialog->GetSettings().GetInterval(), 10);
        }
        ASSERT_FALSE(window.trayCalls.empty());
        EXPECT_EQ(window.trayCalls.back(), "delete");
        EXPECT_FALSE(schedulerDialog->GetTrayIcon().IsShown());
        EXPECT_TRUE(window.timers.empty());
        EXPECT_EQ(schedulerDialog->GetTimerId(), 0u);
        EXPECT_EQ(window.endResult, ID_CANCEL);
        EXPECT_TRUE(window.messages.empty());
        const std::vector<std::string> tail(window.calls.end() - 2, window.calls.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"KillTimer 4523", "EndDialog 2"}));
    }
}

TEST_F(SchedulerTest, AStoredShowIconOfFiveIsTakenAsZero) {
    Start("[settings]\nshowicon=5\n");
    EXPECT_EQ(schedulerDialog->GetSettings().GetShowIcon(), 0);
    EXPECT_EQ(window.Control(IDC_SHOW_ICON).check, 0);
    EXPECT_TRUE(window.trayCalls.empty());
    EXPECT_FALSE(schedulerDialog->GetTrayIcon().IsShown());
}

TEST_F(SchedulerTest, ATimerFailureAtInitialisationEndsTheRun) {
    window.timerWorks = false;
    Start("[settings]\ninterval=10\n");
    const std::string before = env->ProfileText();
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0].first, "System Resources Too Low ... Exiting");
    EXPECT_EQ(window.messages[0].second, test::APP_TITLE);
    EXPECT_EQ(window.endResult, 0);
    EXPECT_EQ(schedulerDialog->GetTimerId(), 0u);
    EXPECT_EQ(window.trayCalls, std::vector<std::string>{"add 0 Task(s) Scheduled"});
    EXPECT_TRUE(schedulerDialog->GetTrayIcon().IsShown());
    EXPECT_EQ(window.Control(IDC_INTERVAL_SPIN).upDownRange, std::make_pair(1, 600));
    EXPECT_EQ(env->ProfileText(), before);
}

TEST_F(SchedulerTest, StoredIntervalsOutsideTheRangeAreShownButTheTimerIsClamped) {
    const std::pair<std::string, unsigned> cases[] = {
        {"0", 1000u},           {"-5", 1000u}, {"100000", 600000u}, {"2147483647", 600000u},
        {"-2147483648", 1000u}, {"1", 1000u},  {"600", 600000u},
    };
    for (const auto& [stored, period] : cases) {
        SCOPED_TRACE("interval=" + stored);
        window = FakeWindow();
        Start("[settings]\ninterval=" + stored + "\n");
        EXPECT_EQ(window.Text(IDC_INTERVAL), stored);
        EXPECT_EQ(window.timers[SCHEDULER_TIMER_ID], period);
        schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
        bool inRange = period == 1000u ? stored == "1" : stored == "600";
        EXPECT_EQ(window.messages.empty(), inRange);
        if (!inRange) {
            EXPECT_EQ(window.messages[0].first, FormatMessage(MSG_INTEGER_RANGE, "1", "600"));
        }
    }
}

TEST_F(SchedulerTest, TheTrayTipCountsTasks) {
    Construct(std::string());
    EXPECT_EQ(schedulerDialog->GetTrayIcon().TipText(), "0 Task(s) Scheduled");
    Construct(TasksIni(1));
    EXPECT_EQ(schedulerDialog->GetTrayIcon().TipText(), "1 Task(s) Scheduled");
    Construct(TasksIni(12));
    EXPECT_EQ(schedulerDialog->GetTrayIcon().TipText(), "12 Task(s) Scheduled");
}

// The platform is called only when the flag says the call changes
// something; a removal clears the flag whatever the platform answered.
TEST_F(SchedulerTest, TheTrayIconCallsThePlatformOnlyForAChange) {
    Construct(TasksIni(1));
    TrayIcon icon(schedulerDialog->GetTasks());
    icon.Attach(window);
    icon.UpdateTip();
    EXPECT_TRUE(icon.Remove());
    EXPECT_TRUE(icon.Add());
    EXPECT_TRUE(icon.Add());
    window.trayDeleteWorks = false;
    EXPECT_FALSE(icon.Remove());
    EXPECT_FALSE(icon.IsShown());
    EXPECT_TRUE(icon.Remove());
    EXPECT_EQ(window.trayCalls, (std::vector<std::string>{"add 1 Task(s) Scheduled", "delete"}));
}

TEST_F(SchedulerTest, AFailedAddIsTriedAgainByTheNextSave) {
    window.trayAddWorks = false;
    Start();
    EXPECT_FALSE(schedulerDialog->GetTrayIcon().IsShown());
    window.trayAddWorks = true;
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    EXPECT_EQ(window.trayCalls, (std::vector<std::string>{"add 0 Task(s) Scheduled", "add 0 Task(s) Scheduled"}));
    EXPECT_TRUE(schedulerDialog->GetTrayIcon().IsShown());
}

TEST_F(SchedulerTest, AFailedTipUpdateClearsTheFlagSoTheNextAddRegistersAgain) {
    Start(TasksIni(1));
    window.trayModifyWorks = false;
    schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked);
    ASSERT_FALSE(window.trayCalls.empty());
    EXPECT_EQ(window.trayCalls.back(), "modify 0 Task(s) Scheduled");
    EXPECT_FALSE(schedulerDialog->GetTrayIcon().IsShown());
    test::ScriptPropertiesDialog(window, nullptr, true);
    schedulerDialog->OnCommand(IDC_ADD, ControlEvent::clicked);  // the tip update is skipped now
    EXPECT_EQ(window.trayCalls.size(), 2u);
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    EXPECT_EQ(window.trayCalls.back(), "add 1 Task(s) Scheduled");
    EXPECT_TRUE(schedulerDialog->GetTrayIcon().IsShown());
}

TEST_F(SchedulerTest, ARestartedNotificationAreaGetsTheIconAgainOnlyWhileTheSettingWantsIt) {
    Start(TasksIni(1));
    window.trayModifyWorks = false;  // the area is gone
    schedulerDialog->OnCommand(IDC_REMOVE, ControlEvent::clicked);
    ASSERT_FALSE(schedulerDialog->GetTrayIcon().IsShown());
    schedulerDialog->OnTrayAreaCreated();
    EXPECT_EQ(window.trayCalls.back(), "add 0 Task(s) Scheduled");
    EXPECT_TRUE(schedulerDialog->GetTrayIcon().IsShown());
    // Off by Hide (a box cleared but not yet applied does not count), or
    // the window ended: nothing is added.
    window.Control(IDC_SHOW_ICON).check = 0;
    schedulerDialog->OnTrayAreaCreated();
    EXPECT_EQ(window.trayCalls.back(), "add 0 Task(s) Scheduled");
    EXPECT_EQ(Count(window.trayCalls, "add 0 Task(s) Scheduled"), 2);
    schedulerDialog->OnCommand(IDC_HIDE, ControlEvent::clicked);
    schedulerDialog->OnTrayAreaCreated();
    EXPECT_EQ(window.trayCalls.back(), "delete");
    window.Control(IDC_SHOW_ICON).check = 1;
    schedulerDialog->OnCommand(IDC_EXIT, ControlEvent::clicked);
    schedulerDialog->OnTrayAreaCreated();
    EXPECT_EQ(window.trayCalls.back(), "delete");
}

TEST_F(SchedulerTest, OnlyButtonPressesOnTheIconBringTheWindowBack) {
    Start();
    const std::pair<unsigned, bool> cases[] = {
        {MOUSE_LEFT_DOWN, true}, {MOUSE_RIGHT_DOWN, true}, {MOUSE_MOVE, false},
        {0x0202, false},         {0x0203, false},          {0x0205, false},
    };
    for (const auto& [message, brings] : cases) {
        window.calls.clear();
        EXPECT_EQ(schedulerDialog->OnTrayNotify(TRAY_ICON_ID, message), 1);
        const std::vector<std::string> expected =
            brings ? std::vector<std::string>{"ShowWindow", "SetForeground"} : std::vector<std::string>{};
        EXPECT_EQ(window.calls, expected) << "message " << message;
    }
    window.calls.clear();
    EXPECT_EQ(schedulerDialog->OnTrayNotify(0, MOUSE_LEFT_DOWN), 1);  // the identifier is not examined
    EXPECT_EQ(window.calls.size(), 2u);
}

TEST_F(SchedulerTest, HelpTellsWhereTheProfileIs) {
    Start();
    schedulerDialog->OnCommand(ID_HELP_COMMAND, ControlEvent::clicked);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_NE(window.messages[0].first.find(env->path), std::string::npos);
    EXPECT_EQ(window.messages[0].second, test::APP_TITLE);
}

}  // namespace
}  // namespace tikr::ui
