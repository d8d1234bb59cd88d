#pragma once
// The reactions of the main window: it owns the task list, holds the three
// settings, drives the check pass from its timer and hides to and returns
// from the notification-area icon. The front end creates the window from
// dialog 130, calls Attach, then delivers each event to its reaction.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/core_services.h"
#include "core/task_list.h"
#include "store/profile_store.h"
#include "ui/window_port.h"

namespace tikr::ui {

class TrayPort;

// The identifier of the window timer and of the tray icon.
constexpr unsigned SCHEDULER_TIMER_ID = 4523;
// The tray icon's callback message and the mouse messages it carries, with
// the window system's values (WM_APP + 100, WM_LBUTTONDOWN, WM_RBUTTONDOWN,
// WM_MOUSEMOVE). Named apart from the platform's macros so that this header
// compiles after <windows.h>.
constexpr unsigned TRAY_NOTIFY_MESSAGE = 0x8000 + 100;
constexpr unsigned MOUSE_LEFT_DOWN = 0x0201;
constexpr unsigned MOUSE_RIGHT_DOWN = 0x0204;
constexpr unsigned MOUSE_MOVE = 0x0200;

class SchedulerDialog {
public:
    // Reads the settings and loads the task list; no window exists yet.
    SchedulerDialog(const CoreServices& services, std::string appTitle);
    ~SchedulerDialog();
    SchedulerDialog(const SchedulerDialog&) = delete;
    SchedulerDialog& operator=(const SchedulerDialog&) = delete;

    // Connects the reactions to the window once its controls exist.
    void Attach(WindowPort& window, TrayPort& tray);

    // The one dispatch of the window's controls: the buttons, the list, the
    // Escape key or close box (ID_CANCEL) and the Help command. False when
    // the event means nothing to this window.
    bool OnCommand(int id, ControlEvent event);

    // A write to the profile file failed (the store's write-failure
    // handler). The first failure after a successful write is told in the
    // window by a notice that does not wait; the tasks stay in memory, and
    // the whole list is written again at the next tick and at the next task
    // save until a write succeeds.
    void OnWriteFailure(const WriteFailure& failure);

    // A due run or Run Now could not start a program: told by a notification
    // from the tray icon when it is shown (nothing that waits: checks go
    // on), one per check pass or Run Now, and only for failures that are
    // news: a task that failed the same way last time is not told again.
    // The line on standard error, for every failure, is the start-up's.
    void OnStartFailure(const StartFailure& failure);
    // The text of a failed start, one line: task, command line and reason.
    static std::string StartFailureText(const StartFailure& failure);

    // Events.
    void OnInitDialog();
    void OnTimer(unsigned id);
    void OnCtlColor();
    void OnAdd();
    void OnRemove();
    void OnProperties();  // button, or a double-click on a line
    void OnListSelChange();
    // The menu of the selected line and its commands.
    void OnTaskMenu();
    void OnRunNow();
    void OnToggleDisabled();
    void OnHide();  // button, or Enter
    void OnExit();
    void OnCancel();  // Escape, the close box
    void OnHelp();    // F1
    int OnTrayNotify(unsigned id, unsigned mouseMessage);

    // Operations.
    void FillTaskList();
    void UpdateButtons();
    void SaveSettings();
    void SaveTasks(int index);
    void RestartTimer();
    bool AddTrayIcon();
    void UpdateTrayTip();
    bool RemoveTrayIcon();
    // The data exchange; toControls false reads back and validates.
    bool UpdateData(bool saveAndValidate);

    // The menu entries for the selected line ("&Disable" or "&Enable" as
    // the task is); none without a selected task.
    std::vector<MenuEntry> TaskMenuEntries();

    // What the list line's tooltip and accessible description say: the
    // task's rule, next run and last run in words, read when asked so that
    // it is always current. Empty for a line without a task.
    std::string DescribeLine(int line) const;

    // "%d Task(s) Scheduled", at most 63 characters.
    std::string TrayTipText() const;

    TaskList& GetTasks() { return *tasks; }
    const std::string& GetAppTitle() const { return appTitle; }
    int GetHideOnStartup() const { return hideOnStartup; }
    int GetShowIcon() const { return showIcon; }
    int GetInterval() const { return interval; }
    unsigned GetTimerId() const { return timerId; }
    bool IsTrayIconShown() const { return trayIconShown; }
    bool IsEditing() const { return editing; }
    bool IsHidePending() const { return hidePending; }
    bool IsSavePending() const { return savePending; }

private:
    const CoreServices& services;
    std::string appTitle;
    WindowPort* window = nullptr;
    TrayPort* tray = nullptr;

    int hideOnStartup = 0;
    int showIcon = 1;
    int interval = 10;
    unsigned timerId = 0;
    std::unique_ptr<TaskList> tasks;
    bool trayIconShown = false;
    bool editing = false;
    bool hidePending = false;
    bool ended = false;        // OnCancel ended the window
    bool savePending = false;  // a write failed since the list was last written whole
    // Failed starts not yet told by a notification: the first and how many.
    std::optional<StartFailure> untoldFailure;
    int untoldFailures = 0;

    void NotifyStartFailures();
};

}  // namespace tikr::ui
