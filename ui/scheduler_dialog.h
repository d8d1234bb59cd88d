#pragma once
// The reactions of the main window and its list editing: it owns the task
// list, drives the check pass from its timer, and keeps its settings
// (SchedulerSettings), its tray icon (TrayIcon), the telling of failures
// (FailureNotices) and its writes of the profile (ProfileWrites) in rooms
// of their own. The front end creates the window
// from dialog 130, calls Attach, then delivers each event to its reaction.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/core_services.h"
#include "core/task_list.h"
#include "store/profile_store.h"
#include "ui/failure_notices.h"
#include "ui/profile_writes.h"
#include "ui/scheduler_settings.h"
#include "ui/scheduler_timers.h"
#include "ui/tray_icon.h"
#include "ui/window_port.h"

namespace tikr::ui {

class LoginStartSetting;
class TrayPort;

// The main window's caption, by which a second start finds it.
constexpr const char* SCHEDULER_CAPTION = "Tikr";

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
    void SetLoginStart(LoginStartSetting* setting) { settings.SetLoginStart(setting); }
    // The name notifications begin with: the title, unless the front end
    // names them as its window is captioned.
    void SetNotificationName(std::string name) { notices.SetNotificationName(std::move(name)); }

    // The window's controls exist: fills them, starts the timer and shows
    // the tray icon; ends the window when no timer can run.
    void OnInitDialog();
    // The one dispatch of the window's controls: the buttons, the list and
    // its menu, the Escape key or close box (ID_CANCEL) and the Help
    // command. False when the event means nothing to this window.
    bool OnCommand(int id, ControlEvent event);
    // The check timer (SCHEDULER_TIMER_ID) runs the check pass; the ends
    // timer (ENDS_TIMER_ID) tells the failed ends it gathered.
    void OnTimer(unsigned id);
    // The window has been drawn for the first time after its modal run
    // showed it: a window that is to hide at start-up hides now (hiding
    // earlier would be undone by that show).
    void HideAfterFirstPaint();
    // A press on the tray icon shows the window and brings it forward.
    int OnTrayNotify(unsigned id, unsigned mouseMessage);
    // The window is about to be shown from hidden (the tray icon, a later
    // start): the login box shows the desktop's entry as it is now.
    void OnShowing();
    // The notification area was made anew: the icon is registered again
    // whenever the setting in force wants it.
    void OnTrayAreaCreated();
    // Escape, the close box, the end of the session, and the end of Exit:
    // writes everything not yet stored in one write, then ends the window.
    void OnCancel();
    // The storing half of OnCancel, without a look at the window: for an
    // end the window cannot take part in (the display connection is gone).
    // Once only; OnCancel after it only ends the window.
    void StoreAtEnd();

    // A write to the profile file failed (the store's write-failure
    // handler). The first failure after a successful write is told
    // (FailureNotices); the tasks and confirmed settings stay in memory and
    // are written again, as they are there, at the next tick and at the
    // next save until a write succeeds.
    void OnWriteFailure(const WriteFailure& failure);
    // The history of runs cannot be written: said once, like a failed
    // write of the profile; its lines are kept and written later.
    void OnRecordsFailure(const std::string& path, const std::string& reason);
    // A due run or Run Now could not start a program: told by a
    // notification, one per check pass or Run Now, and only for failures
    // that are news: a scheduled run of a task that failed the same way
    // last time is not told again, Run Now always is (by a notice in the
    // window when no notification can be given). The line on standard
    // error, for every failure, is the start-up's.
    void OnStartFailure(const StartFailure& failure) { notices.OnStartFailure(failure); }
    // A program a run started has ended: its task records the outcome, and
    // an end in failure is told like a failed start, a moment later
    // (ENDS_TIMER_ID), in one notification with the others that failed
    // meanwhile.
    void OnProgramEnded(const ProgramEnd& end);

    // What the list line's tooltip and accessible description say: the
    // task's rule, next run and last run in words, read when asked so that
    // it is always current. Empty for a line without a task.
    std::string DescribeLine(int line) const;

    TaskList& GetTasks() { return *tasks; }
    const SchedulerSettings& GetSettings() const { return settings; }
    const TrayIcon& GetTrayIcon() const { return trayIcon; }
    // The check timer's identifier while it runs, else 0.
    unsigned GetTimerId() const { return timerId; }
    // The properties dialog is open.
    bool IsEditing() const { return editing; }
    bool IsHidePending() const { return hidePending; }
    bool IsSavePending() const { return writes.IsPending(); }
    // The window ended and its last write failed: changes are lost.
    bool EndedUnsaved() const { return unsavedAtEnd; }
    // The profile file could not be read at start and has not been read
    // since: what the window shows did not come from it.
    bool IsProfileUnread() const { return !writes.UnreadReason().empty(); }

private:
    // The reactions OnCommand dispatches to.
    void OnAdd();
    void OnRemove();
    void OnProperties();  // button, or a double-click on a line
    void OnTaskMenu();    // the menu of the selected line
    void OnRunNow();
    void OnToggleDisabled();
    void OnHistory();  // the selected task's history window
    void OnHide();     // button, or Enter
    void OnExit();
    void OnHelp();  // F1

    // The check pass of every task, at each tick of the check timer, and
    // what waits for a write after it.
    void CheckTasks();
    // Runs the properties dialog on the task, with the editing flag set
    // meanwhile (ticks skip the check pass); its result.
    int EditTask(Task& task);
    // The menu entries for the selected line ("&Disable" or "&Enable" as
    // the task is); none without a selected task.
    std::vector<MenuEntry> TaskMenuEntries();
    void FillTaskList();
    void UpdateButtons();
    // Confirms the settings and writes them (with whatever else waits).
    void SaveSettings();
    void RestartTimer();
    // With saveAndValidate the controls are read back into the settings
    // and validated; without it the controls and the list are filled.
    bool UpdateData(bool saveAndValidate);
    // A profile that could not be read at start has been taken up: the
    // window shows its settings and tasks.
    void ShowTakenUp(int shownInterval);

    const CoreServices& services;
    std::string appTitle;
    WindowPort* window = nullptr;
    SchedulerSettings settings;
    std::unique_ptr<TaskList> tasks;
    TrayIcon trayIcon;
    FailureNotices notices;
    ProfileWrites writes;
    unsigned timerId = 0;
    bool editing = false;
    bool hidePending = false;
    bool ending = false;        // the window is ending
    bool unsavedAtEnd = false;  // and its last write failed
};

}  // namespace tikr::ui
