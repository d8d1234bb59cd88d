#include "ui/scheduler_dialog.h"

#include <algorithm>
#include <utility>

#include "core/one_line_text.h"
#include "core/profile_keys.h"
#include "core/task.h"
#include "core/task_state_text.h"
#include "store/profile_store.h"
#include "ui/data_exchange.h"
#include "ui/history_dialog.h"
#include "ui/login_start.h"
#include "ui/res/resource_ids.h"
#include "ui/task_properties_dialog.h"
#include "ui/tray_port.h"
#include "ui/window_port.h"

namespace tikr::ui {

namespace {

using namespace res;

// The window reads and writes its three settings in the section as it is
// spelt when read ("settings"); the task list writes the count as "Settings".
constexpr const char* SETTINGS_SECTION = keys::SETTINGS_SECTION_READ;

constexpr int MIN_INTERVAL = 1;
constexpr int MAX_INTERVAL = 600;
constexpr std::size_t MAX_TIP_CHARS = 63;

constexpr const char* MSG_RESOURCES_LOW = "System Resources Too Low ... Exiting";

// Sets a flag for the lifetime of the object, so that it is cleared again
// however the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag(flag) { flag = true; }
    ~FlagScope() { flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag;
};

}  // namespace

SchedulerDialog::SchedulerDialog(const CoreServices& services, std::string appTitle)
    : services(services), appTitle(std::move(appTitle)), notificationName(this->appTitle) {
    hideOnStartup = services.store.ReadInt(SETTINGS_SECTION, keys::HIDE_ON_STARTUP, 0);
    hidePending = hideOnStartup != 0;
    showIcon = services.store.ReadInt(SETTINGS_SECTION, keys::SHOW_ICON, 1);
    interval = services.store.ReadInt(SETTINGS_SECTION, keys::INTERVAL, 10);
    tasks = std::make_unique<TaskList>(services);
    tasks->Load();
    services.launcher.SetEndHandler([this](const ProgramEnd& end) { OnProgramEnded(end); });
    unreadProfile = services.store.ReadError();
    if (!unreadProfile.empty()) {
        // An empty list and default settings are not the file's: nothing of
        // them may be written over it. The file is read again at every
        // check, and the tasks added meanwhile join its tasks then.
        services.store.HoldWrites("the file could not be read when " + this->appTitle + " started (" + unreadProfile +
                                  ") and is not written before it has been read");
        owedProblem = "The profile file " + services.store.GetFilePath() + " cannot be read: " + unreadProfile + ".";
        owedNotice = owedProblem +
                     "\n\nNo tasks or settings are shown from it, and nothing is written over it, until " +
                     this->appTitle +
                     " can read it; it tries again at every check. Tasks you add meanwhile are then added to the "
                     "tasks in the file.";
        return;
    }
    // A write that failed before this window was there to hear it (loading
    // stores next runs) is told as soon as the window exists, and the
    // tasks are written again like after any failed write.
    const std::string& error = services.store.LastWriteError();
    if (!error.empty()) OnWriteFailure(WriteFailure{services.store.GetFilePath(), error, true});
}

SchedulerDialog::~SchedulerDialog() { services.launcher.SetEndHandler({}); }

void SchedulerDialog::Attach(WindowPort& windowPort, TrayPort& trayPort) {
    window = &windowPort;
    tray = &trayPort;
}

bool SchedulerDialog::OnCommand(int id, ControlEvent event) {
    if (id == IDC_TASK_LIST) {
        if (event == ControlEvent::doubleClicked) OnProperties();
        if (event == ControlEvent::selectionChanged) OnListSelChange();
        if (event == ControlEvent::contextMenu) OnTaskMenu();
        return event != ControlEvent::clicked;
    }
    if (event != ControlEvent::clicked) return false;
    switch (id) {
    case IDC_ADD: OnAdd(); return true;
    case IDC_REMOVE: OnRemove(); return true;
    case IDC_PROPERTIES: OnProperties(); return true;
    case IDC_HIDE: OnHide(); return true;
    case IDC_EXIT: OnExit(); return true;
    case ID_CANCEL: OnCancel(); return true;
    case ID_HELP_COMMAND: OnHelp(); return true;
    case IDM_RUN_NOW: OnRunNow(); return true;
    case IDM_TASK_PROPERTIES: OnProperties(); return true;
    case IDM_TOGGLE_DISABLED: OnToggleDisabled(); return true;
    case IDM_TASK_REMOVE: OnRemove(); return true;
    case IDM_TASK_HISTORY: OnHistory(); return true;
    default: return false;
    }
}

void SchedulerDialog::OnWriteFailure(const WriteFailure& failure) {
    savePending = true;
    // At the end there is no window left to read a notice: the start-up
    // says it on its report line. A file not yet read was told already.
    if (!failure.firstSinceSuccess || ending || !unreadProfile.empty()) return;
    const std::string problem = "The profile file " + failure.path + " cannot be written: " + failure.reason + ".";
    std::string notice = problem + "\n\nYour tasks are kept while " + appTitle +
                         " runs and are saved as soon as the file can be written again.";
    if (window == nullptr) {
        // Shown by OnInitDialog.
        owedNotice = std::move(notice);
        owedProblem = problem;
        return;
    }
    window->ShowNotice(notice, appTitle);
    // A notice beside a hidden window may go unseen.
    if (!window->IsWindowVisible()) Notify(notificationName + ": tasks cannot be saved", problem);
}

void SchedulerDialog::OnRecordsFailure(const std::string& path, const std::string& reason) {
    if (ending) return;
    const std::string problem = "The history of runs " + path + " cannot be written: " + reason + ".";
    std::string notice = problem + "\n\nThe runs are kept while " + appTitle +
                         " runs and are written as soon as the file can be written again.";
    if (window == nullptr) {
        owedNotice = std::move(notice);
        owedProblem = problem;
        return;
    }
    window->ShowNotice(notice, appTitle);
    if (!window->IsWindowVisible()) Notify(notificationName + ": runs cannot be recorded", problem);
}

bool SchedulerDialog::Notify(const std::string& title, const std::string& text) {
    // A failed notification says nothing about the icon itself.
    if (trayIconShown) {
        tray->TrayNotify(title, text);
        return true;
    }
    return tray->DesktopNotify(title, text);
}

std::string SchedulerDialog::StartFailureText(const StartFailure& failure) {
    if (failure.ended)
        return "Task \"" + failure.title + "\" running \"" + failure.commandLine + "\" " + failure.reason;
    return "Task \"" + failure.title + "\" could not start \"" + failure.commandLine + "\": " + failure.reason;
}

void SchedulerDialog::OnStartFailure(const StartFailure& failure) {
    if (failure.repeated) return;
    if (untoldFailures++ == 0) untoldFailure = failure;
}

void SchedulerDialog::OnProgramEnded(const ProgramEnd& end) {
    tasks->OnProgramEnded(end);
    // A thousand programs that fail together make one notification, as
    // the failed starts of one check do, not a thousand.
    if (untoldFailures == 0 || endsTimerArmed) return;
    endsTimerArmed = window != nullptr && !ending && window->SetTimer(ENDS_TIMER_ID, ENDS_GATHER_MS) != 0;
    if (!endsTimerArmed) NotifyStartFailures(false);
}

void SchedulerDialog::NotifyStartFailures(bool asked) {
    const int count = untoldFailures;
    untoldFailures = 0;
    std::optional<StartFailure> first = std::move(untoldFailure);
    untoldFailure.reset();
    if (count == 0 || !first) return;
    // A notification holds a few lines: a long title or command line is
    // cut, never the outcome at the end.
    StartFailure shown = *first;
    shown.title = OneLineText(shown.title, MAX_NOTIFIED_TITLE);
    shown.commandLine = OneLineText(shown.commandLine, MAX_NOTIFIED_COMMAND);
    std::string text = StartFailureText(shown);
    if (count > 1) text += " (and " + std::to_string(count - 1) + " more)";
    const std::string title = notificationName + (first->ended ? ": a task failed" : ": a task could not start");
    // Without the icon or the desktop's notifications a run the user asked
    // for is told in the window, where the user asked for it.
    if (!Notify(title, text) && asked) window->ShowNotice(text, title);
}

void SchedulerDialog::OnInitDialog() {
    // Before the first check, once the history of runs is there to hear.
    if (unreadProfile.empty()) tasks->SettleInterruptedRuns();
    if (loginStart != nullptr) loginStart->Attach(*window, IDC_START_AT_LOGIN, appTitle);
    UpdateData(false);
    trayWanted = showIcon != 0;
    if (trayWanted) AddTrayIcon();
    RestartTimer();
    if (timerId == 0) {
        // The tray icon stays and nothing is written: the program ends.
        window->ShowMessage(MSG_RESOURCES_LOW, appTitle);
        window->EndDialog(0);
    }
    window->SetUpDownRange(IDC_INTERVAL_SPIN, MIN_INTERVAL, MAX_INTERVAL);
    if (!owedNotice.empty() && timerId != 0) {
        window->ShowNotice(owedNotice, appTitle);
        // A window hidden from the start may leave the notice unseen.
        if (hideOnStartup != 0)
            Notify(notificationName + (unreadProfile.empty() ? ": tasks cannot be saved" : ": tasks cannot be read"),
                   owedProblem);
    }
    owedNotice.clear();
    owedProblem.clear();
}

void SchedulerDialog::OnTimer(unsigned id) {
    if (id == ENDS_TIMER_ID) {
        window->KillTimer(ENDS_TIMER_ID);
        endsTimerArmed = false;
        if (!tasks->IsStopped()) NotifyStartFailures(false);
        return;
    }
    if (id != SCHEDULER_TIMER_ID || tasks->IsStopped()) return;
    // A file that could not be read is tried again; not while a task is
    // open in the properties dialog, whose place in the list would move.
    if (!unreadProfile.empty() && !editing) Store(std::nullopt);
    if (!editing) tasks->CheckAll();
    if (tasks->IsStopped()) {
        // The program ended while the pass waited in a message box: the
        // box's outcome is stored now, as the end stored the others.
        services.store.SaveDeferred();
        return;
    }
    NotifyStartFailures(false);
    // What a failed write could not store is written again, as it is in
    // memory, while the problem lasts; the first write that succeeds
    // stores it all.
    if (savePending || unsavedSettings) Store(std::nullopt);
    // So are the lines the history of runs could not take.
    if (RunRecords* records = tasks->GetRunRecords(); records != nullptr && records->HasPending())
        records->WritePending();
    if (hidePending) {
        window->ShowWindow(false);
        hidePending = false;
    }
}

void SchedulerDialog::OnCtlColor() {
    // The first drawing comes right after the modal run has shown the
    // window; hiding earlier would be undone by that show.
    if (hidePending) {
        window->ShowWindow(false);
        hidePending = false;
    }
}

void SchedulerDialog::OnAdd() {
    std::string title = "Task " + std::to_string(window->ListGetCount(IDC_TASK_LIST) + 1);
    auto task = std::make_unique<Task>(services, std::move(title), 0);
    int result;
    {
        FlagScope editingScope(editing);
        TaskPropertiesDialog dialog(*task, services, appTitle);
        result = window->RunPropertiesDialog(dialog);
    }
    if (result == ID_OK) {
        tasks->Append(std::move(task));
        FillTaskList();
        window->ListSetSelection(IDC_TASK_LIST, window->ListGetCount(IDC_TASK_LIST) - 1);
        Store(ALL_TASKS);
        UpdateTrayTip();
    }
    // Otherwise the new task goes with `task`; list and store stay as they were.
    UpdateButtons();
}

void SchedulerDialog::OnRemove() {
    int line = window->ListGetSelection(IDC_TASK_LIST);
    if (line < 0 || line >= tasks->GetCount()) return;
    tasks->RemoveTask(line);
    Store(ALL_TASKS);
    UpdateTrayTip();
    FillTaskList();
    int count = window->ListGetCount(IDC_TASK_LIST);
    window->ListSetSelection(IDC_TASK_LIST, line < count ? line : count - 1);
    UpdateButtons();
}

void SchedulerDialog::OnProperties() {
    int line = window->ListGetSelection(IDC_TASK_LIST);
    Task* task = line >= 0 ? tasks->GetTask(line) : nullptr;
    if (task == nullptr) return;
    int result;
    {
        FlagScope editingScope(editing);
        TaskPropertiesDialog dialog(*task, services, appTitle);
        result = window->RunPropertiesDialog(dialog);
    }
    if (result == ID_OK) {
        FillTaskList();
        window->ListSetSelection(IDC_TASK_LIST, line);
        Store(line);
    }
}

void SchedulerDialog::OnListSelChange() { UpdateButtons(); }

std::vector<MenuEntry> SchedulerDialog::TaskMenuEntries() {
    const Task* task = tasks->GetTask(window->ListGetSelection(IDC_TASK_LIST));
    if (task == nullptr) return {};
    return {{IDM_RUN_NOW, "&Run Now"},
            {IDM_TASK_PROPERTIES, "&Properties..."},
            {IDM_TASK_HISTORY, "&History..."},
            {IDM_TOGGLE_DISABLED, task->IsDisabled() != 0 ? "&Enable" : "&Disable"},
            {IDM_TASK_REMOVE, "Re&move"}};
}

void SchedulerDialog::OnTaskMenu() {
    const std::vector<MenuEntry> entries = TaskMenuEntries();
    if (entries.empty()) return;
    const int chosen = window->ShowListMenu(IDC_TASK_LIST, entries);
    if (chosen != 0) OnCommand(chosen, ControlEvent::clicked);
}

void SchedulerDialog::OnRunNow() {
    // As a due run, disabled or not: the user asked. A message box waits
    // here while checks and commands go on, so nothing of the line is used
    // after the run.
    tasks->RunNow(window->ListGetSelection(IDC_TASK_LIST));
    if (tasks->IsStopped()) return;
    NotifyStartFailures(true);
}

void SchedulerDialog::OnToggleDisabled() {
    const int line = window->ListGetSelection(IDC_TASK_LIST);
    Task* task = tasks->GetTask(line);
    if (task == nullptr) return;
    task->SetDisabled(task->IsDisabled() != 0 ? 0 : 1);
    // The next run is computed afresh from now, as OK in the properties
    // dialog does: a task enabled after a pause does not make up a stale
    // run.
    if (Schedule* schedule = task->GetSchedule()) schedule->ComputeNextRun();
    Store(line);
}

void SchedulerDialog::OnHistory() {
    const Task* task = tasks->GetTask(window->ListGetSelection(IDC_TASK_LIST));
    if (task == nullptr) return;
    // The checks go on while it is open: it only reads the history.
    HistoryDialog history(task->GetTitle(), tasks->GetRunRecords(), appTitle);
    window->RunHistoryDialog(history);
}

void SchedulerDialog::OnHide() {
    if (!UpdateData(true)) return;
    if (loginStart != nullptr) loginStart->Confirm(startAtLogin, false);
    SaveSettings();
    window->ShowWindow(false);
}

void SchedulerDialog::OnExit() {
    if (!UpdateData(true)) return;
    if (loginStart != nullptr) loginStart->Confirm(startAtLogin, true);
    // Stored by the end's one write, with everything else not yet stored.
    unsavedSettings = Settings{hideOnStartup, showIcon, interval};
    OnCancel();
}

void SchedulerDialog::StoreAtEnd() {
    if (ending) return;
    // A check pass may be waiting in a message box below this call; the
    // end of the program ends that wait, and the pass must then neither
    // start nor advance anything more.
    tasks->StopChecks();
    // Nothing that waits for a write is left behind: the settings Hide or
    // Exit confirmed, the tasks a failed write could not store and the
    // outcomes of the last runs go in one write, as they are in memory.
    // When that fails, the start-up says so and the program's status tells.
    ending = true;
    // Programs still running are left running; their outcome says so.
    tasks->RecordStillRunning();
    unsavedAtEnd = !Store(std::nullopt);
}

void SchedulerDialog::OnCancel() {
    StoreAtEnd();
    trayWanted = false;
    RemoveTrayIcon();
    if (timerId != 0) {
        window->KillTimer(timerId);
        timerId = 0;
    }
    if (endsTimerArmed) window->KillTimer(ENDS_TIMER_ID);
    endsTimerArmed = false;
    window->EndDialog(ID_CANCEL);
}

void SchedulerDialog::OnHelp() {
    window->ShowMessage(appTitle +
                            " runs your scheduled tasks: at the times you set it starts a program "
                            "or shows a message, checking every few seconds while it runs.\n\n"
                            "Add, Remove and Properties edit the tasks; Hide keeps it running in the "
                            "background.\n\nTasks and settings are kept in:\n" +
                            services.store.GetFilePath(),
                        appTitle);
}

int SchedulerDialog::OnTrayNotify(unsigned /*id*/, unsigned mouseMessage) {
    if (mouseMessage == MOUSE_LEFT_DOWN || mouseMessage == MOUSE_RIGHT_DOWN) {
        OnShowing();
        window->ShowWindow(true);
        window->SetForeground();
    }
    return 1;
}

void SchedulerDialog::OnShowing() {
    // A change the user made in the shown window is left alone.
    if (loginStart != nullptr && !window->IsWindowVisible()) loginStart->Refresh();
}

void SchedulerDialog::OnTrayAreaCreated() {
    if (!trayWanted) return;
    trayIconShown = false;
    AddTrayIcon();
}

void SchedulerDialog::FillTaskList() {
    window->ListReset(IDC_TASK_LIST);
    for (int i = 0; i < tasks->GetCount(); ++i) {
        const Task* task = tasks->GetTask(i);
        window->ListAddString(IDC_TASK_LIST, task != nullptr ? task->GetTitle() : std::string());
    }
}

void SchedulerDialog::UpdateButtons() {
    bool selected = window->ListGetSelection(IDC_TASK_LIST) >= 0;
    window->EnableControl(IDC_REMOVE, selected);
    window->EnableControl(IDC_PROPERTIES, selected);
}

void SchedulerDialog::SaveSettings() {
    unsavedSettings = Settings{hideOnStartup, showIcon, interval};
    Store(std::nullopt);
    RestartTimer();
    trayWanted = showIcon != 0;
    if (trayWanted) AddTrayIcon();
    else RemoveTrayIcon();
}

bool SchedulerDialog::TakeUpProfile() {
    if (unreadProfile.empty()) return true;
    ProfileStore& store = services.store;
    // The look at the file: it is read afresh while it could not be read.
    store.ReadInt(SETTINGS_SECTION, keys::NUM_APPS, 0);
    if (!store.ReadError().empty()) return false;
    unreadProfile.clear();
    store.ReleaseWrites();
    const int shownInterval = interval;
    if (!unsavedSettings) {
        hideOnStartup = store.ReadInt(SETTINGS_SECTION, keys::HIDE_ON_STARTUP, 0);
        showIcon = store.ReadInt(SETTINGS_SECTION, keys::SHOW_ICON, 1);
        interval = store.ReadInt(SETTINGS_SECTION, keys::INTERVAL, 10);
    }
    tasks->LoadAheadOfKept();
    tasks->SettleInterruptedRuns();
    if (window == nullptr || ending) return true;
    UpdateData(false);
    if (interval != shownInterval) RestartTimer();
    trayWanted = showIcon != 0;
    if (trayWanted) AddTrayIcon();
    else RemoveTrayIcon();
    UpdateTrayTip();
    UpdateButtons();
    return true;
}

bool SchedulerDialog::Store(std::optional<int> taskIndex) {
    ProfileStore& store = services.store;
    if (!unreadProfile.empty()) {
        // Nothing is written before the file is read; then the whole list,
        // the file's tasks with the ones added meanwhile.
        savePending = true;
        // Nothing is lost while nothing was added or confirmed meanwhile.
        if (!TakeUpProfile()) return tasks->GetCount() == 0 && !unsavedSettings;
        taskIndex = ALL_TASKS;
    }
    // After a failed write a single task's section is not enough: the count
    // or another task may be missing from the file.
    if (savePending) taskIndex = ALL_TASKS;
    savePending = false;  // set again by the handler when this write fails
    // One replacement of the file; a batch that writes nothing leaves the
    // file alone.
    ProfileStore::Batch batch(store);
    if (unsavedSettings) {
        store.WriteInt(SETTINGS_SECTION, keys::HIDE_ON_STARTUP, unsavedSettings->hideOnStartup);
        store.WriteInt(SETTINGS_SECTION, keys::SHOW_ICON, unsavedSettings->showIcon);
        store.WriteInt(SETTINGS_SECTION, keys::INTERVAL, unsavedSettings->interval);
    }
    if (taskIndex) tasks->Save(*taskIndex);
    store.SaveDeferred();
    const bool stored = batch.Commit();
    if (stored) unsavedSettings.reset();
    return stored;
}

void SchedulerDialog::RestartTimer() {
    if (timerId != 0) window->KillTimer(timerId);
    // A stored interval outside 1..600 is kept as loaded (and refused by
    // Hide and Exit), but the timer never runs faster than once a second
    // nor slower than once in ten minutes.
    int seconds = std::clamp(interval, MIN_INTERVAL, MAX_INTERVAL);
    tasks->SetCheckPeriod(seconds);  // a run later than this says it ran late
    timerId = window->SetTimer(SCHEDULER_TIMER_ID, static_cast<unsigned>(seconds) * 1000u);
}

bool SchedulerDialog::AddTrayIcon() {
    if (trayIconShown) return true;
    trayIconShown = tray->TrayAdd(TrayTipText());
    return trayIconShown;
}

void SchedulerDialog::UpdateTrayTip() {
    if (!trayIconShown) return;
    // A failed update leaves the icon unknown; the next add registers it.
    trayIconShown = tray->TrayModify(TrayTipText());
}

bool SchedulerDialog::RemoveTrayIcon() {
    if (!trayIconShown) return true;
    bool removed = tray->TrayDelete();
    trayIconShown = false;
    return removed;
}

bool SchedulerDialog::UpdateData(bool saveAndValidate) {
    DataExchange dx(*window, saveAndValidate, appTitle);
    // Step 1 binds the list box; the port addresses it by id.
    dx.CheckBox(IDC_HIDE_ON_STARTUP, hideOnStartup);
    dx.CheckBox(IDC_SHOW_ICON, showIcon);
    if (loginStart != nullptr && !saveAndValidate) startAtLogin = loginStart->Read();
    dx.CheckBox(IDC_START_AT_LOGIN, startAtLogin);
    dx.IntegerText(IDC_INTERVAL, interval);
    dx.IntegerRange(interval, MIN_INTERVAL, MAX_INTERVAL);
    if (dx.Failed()) return false;
    if (!saveAndValidate) {
        FillTaskList();
        if (window->ListGetCount(IDC_TASK_LIST) > 0) window->ListSetSelection(IDC_TASK_LIST, 0);
    }
    return true;
}

std::string SchedulerDialog::DescribeLine(int line) const {
    const Task* task = tasks->GetTask(line);
    return task != nullptr ? DescribeTask(*task) : std::string();
}

std::string SchedulerDialog::TrayTipText() const {
    std::string tip = std::to_string(tasks->GetCount()) + " Task(s) Scheduled";
    if (tip.size() > MAX_TIP_CHARS) tip.resize(MAX_TIP_CHARS);
    return tip;
}

}  // namespace tikr::ui
