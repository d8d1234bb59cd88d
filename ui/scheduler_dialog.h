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

class LoginStartSetting;
class TrayPort;

// The main window's caption, by which a second start finds it.
constexpr const char* SCHEDULER_CAPTION = "Tikr";
// The identifier of the window timer and of the tray icon.
constexpr unsigned SCHEDULER_TIMER_ID = 4523;
// The one-time timer that gathers the failed ends of programs that end
// about together into one notification, and how long it gathers (the
// shortest period the window ports start).
constexpr unsigned ENDS_TIMER_ID = SCHEDULER_TIMER_ID + 1;
constexpr unsigned ENDS_GATHER_MS = 1000;
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
    // The "Start at Login" box's setting; before Attach. Without one the
    // box stays clear and changes nothing.
    void SetLoginStart(LoginStartSetting* setting) { loginStart = setting; }

    // The one dispatch of the window's controls: the buttons, the list, the
    // Escape key or close box (ID_CANCEL) and the Help command. False when
    // the event means nothing to this window.
    bool OnCommand(int id, ControlEvent event);

    // A write to the profile file failed (the store's write-failure
    // handler). The first failure after a successful write is told in the
    // window by a notice that does not wait (a failure before the window
    // exists, when it is initialised), and while the window is hidden also
    // by a notification (Notify); the tasks and confirmed settings stay
    // in memory and are written again, as they are there, at the next tick
    // and at the next save until a write succeeds.
    void OnWriteFailure(const WriteFailure& failure);
    // The history of runs cannot be written: said once, like a failed
    // write of the profile; its lines are kept and written later.
    void OnRecordsFailure(const std::string& path, const std::string& reason);

    // A due run or Run Now could not start a program: told by a notification
    // (Notify; nothing that waits: checks go on), one per check pass or Run
    // Now, and only for failures that are news: a scheduled run of a task
    // that failed the same way last time is not told again, Run Now always
    // is (by a notice in the window when no notification can be given). The
    // line on standard error, for every failure, is the start-up's.
    void OnStartFailure(const StartFailure& failure);
    // A program a run started has ended: its task records the outcome, and
    // an end in failure is told like a failed start, a moment later
    // (ENDS_TIMER_ID), in one notification with the others that failed
    // meanwhile.
    void OnProgramEnded(const ProgramEnd& end);
    // The text of a failed start, one line: task, command line and reason
    // (or, for a program that ended in failure, its outcome).
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
    // The selected task's history window.
    void OnHistory();
    void OnHide();  // button, or Enter
    void OnExit();
    // Escape, the close box, the end of the session, and the end of Exit:
    // writes everything not yet stored in one write, then ends the window.
    void OnCancel();
    // The storing half of OnCancel, without a look at the window: for an
    // end the window cannot take part in (the display connection is gone).
    // Once only; OnCancel after it only ends the window.
    void StoreAtEnd();
    void OnHelp();  // F1
    int OnTrayNotify(unsigned id, unsigned mouseMessage);
    // The window is about to be shown from hidden (the tray icon, a later
    // start): the login box shows the desktop's entry as it is now.
    void OnShowing();
    // The notification area was made anew (the desktop shell restarted) and
    // knows no icon: the icon is registered again whenever the setting in
    // force wants it, whatever an earlier failed call left in the flag.
    void OnTrayAreaCreated();

    // Operations.
    void FillTaskList();
    void UpdateButtons();
    // Confirms the settings and writes them (with whatever else waits).
    void SaveSettings();
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
    // The name notifications begin with: the title, unless the front end
    // names them as its window is captioned.
    void SetNotificationName(std::string name) { notificationName = std::move(name); }
    int GetHideOnStartup() const { return hideOnStartup; }
    int GetShowIcon() const { return showIcon; }
    int GetInterval() const { return interval; }
    unsigned GetTimerId() const { return timerId; }
    bool IsTrayIconShown() const { return trayIconShown; }
    bool IsEditing() const { return editing; }
    bool IsHidePending() const { return hidePending; }
    bool IsSavePending() const { return savePending; }
    // The window ended and its last write failed: changes are lost.
    bool EndedUnsaved() const { return unsavedAtEnd; }
    // The profile file could not be read at start and has not been read
    // since: what the window shows did not come from it.
    bool IsProfileUnread() const { return !unreadProfile.empty(); }

private:
    const CoreServices& services;
    std::string appTitle;
    std::string notificationName;
    static constexpr std::size_t MAX_NOTIFIED_TITLE = 60;
    static constexpr std::size_t MAX_NOTIFIED_COMMAND = 80;
    WindowPort* window = nullptr;
    TrayPort* tray = nullptr;

    int hideOnStartup = 0;
    int showIcon = 1;
    int interval = 10;
    int startAtLogin = 0;  // the login box, as last read from the desktop or the window
    LoginStartSetting* loginStart = nullptr;
    unsigned timerId = 0;
    std::unique_ptr<TaskList> tasks;
    bool trayIconShown = false;
    // The setting last applied (at start, by Hide or Exit) wants the icon;
    // cleared when the window ends.
    bool trayWanted = false;
    bool editing = false;
    bool hidePending = false;
    bool savePending = false;  // a write failed since the list was last written whole
    // The settings Hide or Exit confirmed, until they are in the file.
    struct Settings {
        int hideOnStartup;
        int showIcon;
        int interval;
    };
    std::optional<Settings> unsavedSettings;
    std::string unreadProfile;  // why the profile could not be read at start, until it is
    std::string owedNotice;     // a notice from before the window existed
    std::string owedProblem;    // its one-line problem, for a notification
    bool ending = false;        // the window is ending
    bool unsavedAtEnd = false;  // and its last write failed
    // Failed starts not yet told by a notification: the first and how many.
    std::optional<StartFailure> untoldFailure;
    int untoldFailures = 0;
    bool endsTimerArmed = false;

    // One notification of the failed starts not yet told; asked: after Run
    // Now.
    void NotifyStartFailures(bool asked);
    // After a start that could not read the profile: once the file reads,
    // its settings (unless Hide confirmed others meanwhile) and tasks are
    // taken up, with the tasks added meanwhile after them, and writes are
    // let through again. False while it still cannot be read.
    bool TakeUpProfile();
    // Writes in one replacement of the file, as they are in memory: the
    // unsaved settings, the task at the index (every task and the count
    // after a failed write) and the deferred outcomes. True when stored.
    bool Store(std::optional<int> taskIndex);
    // A passing notification: from the tray icon while it is shown, else
    // through the desktop's notification service (no icon can be shown, or
    // it is turned off). False when neither could take it.
    bool Notify(const std::string& title, const std::string& text);
};

}  // namespace tikr::ui
