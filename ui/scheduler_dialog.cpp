#include "ui/scheduler_dialog.h"

#include <utility>

#include "core/task.h"
#include "core/task_state_text.h"
#include "store/profile_store.h"
#include "ui/history_dialog.h"
#include "ui/login_start.h"
#include "ui/res/resource_ids.h"
#include "ui/task_properties_dialog.h"
#include "ui/tray_port.h"
#include "ui/window_port.h"

namespace tikr::ui {

namespace {

using namespace res;

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
    : services(services),
      appTitle(std::move(appTitle)),
      settings(services.store),
      tasks(std::make_unique<TaskList>(services)),
      trayIcon(*tasks),
      notices(this->appTitle, trayIcon),
      writes(services.store, *tasks, settings) {
    hidePending = settings.GetHideOnStartup() != 0;
    tasks->Load();
    services.launcher.SetEndHandler([this](const ProgramEnd& end) { OnProgramEnded(end); });
    writes.onTakenUp = [this](int shownInterval) { ShowTakenUp(shownInterval); };
    if (!writes.HoldIfUnread(this->appTitle)) {
        notices.TellReadFailure(services.store.GetFilePath(), writes.UnreadReason());
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
    trayIcon.Attach(trayPort);
    notices.Attach(windowPort);
}

bool SchedulerDialog::OnCommand(int id, ControlEvent event) {
    if (id == IDC_TASK_LIST) {
        if (event == ControlEvent::doubleClicked) OnProperties();
        if (event == ControlEvent::selectionChanged) UpdateButtons();
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
    writes.MarkPending();
    // At the end there is no window left to read a notice: the start-up
    // says it on its report line. A file not yet read was told already.
    if (!failure.firstSinceSuccess || ending || IsProfileUnread()) return;
    notices.TellWriteFailure(failure);
}

void SchedulerDialog::OnRecordsFailure(const std::string& path, const std::string& reason) {
    if (!ending) notices.TellRecordsFailure(path, reason);
}

void SchedulerDialog::OnProgramEnded(const ProgramEnd& end) {
    tasks->OnProgramEnded(end);
    notices.GatherEnds(window != nullptr && !ending);
}

void SchedulerDialog::OnInitDialog() {
    // Before the first check, once the history of runs is there to hear.
    if (!IsProfileUnread()) tasks->SettleInterruptedRuns();
    settings.AttachLoginBox(*window, appTitle);
    UpdateData(false);
    trayIcon.Want(settings.GetShowIcon() != 0);
    RestartTimer();
    if (timerId == 0) {
        // The tray icon stays and nothing is written: the program ends.
        window->ShowMessage(MSG_RESOURCES_LOW, appTitle);
        window->EndDialog(0);
    }
    window->SetUpDownRange(IDC_INTERVAL_SPIN, MIN_INTERVAL, MAX_INTERVAL);
    notices.TellOwed(timerId != 0, settings.GetHideOnStartup() != 0);
}

void SchedulerDialog::OnTimer(unsigned id) {
    if (id == ENDS_TIMER_ID) notices.OnEndsTimer(tasks->IsStopped());
    if (id == SCHEDULER_TIMER_ID && !tasks->IsStopped()) CheckTasks();
}

void SchedulerDialog::CheckTasks() {
    // A file that could not be read is tried again; not while a task is
    // open in the properties dialog, whose place in the list would move.
    if (IsProfileUnread() && !editing) writes.Store(std::nullopt);
    if (!editing) tasks->CheckAll();
    if (tasks->IsStopped()) {
        // The program ended while the pass waited in a message box: the
        // box's outcome is stored now, as the end stored the others.
        services.store.SaveDeferred();
        return;
    }
    notices.TellStartFailures(false);
    // What a failed write could not store is written again, as it is in
    // memory, while the problem lasts; the first write that succeeds
    // stores it all.
    if (writes.IsPending() || settings.HasUnsaved()) writes.Store(std::nullopt);
    // So are the lines the history of runs could not take.
    if (RunRecords* records = tasks->GetRunRecords(); records != nullptr && records->HasPending())
        records->WritePending();
    // The first tick hides a window that is to hide at start-up, if its
    // first drawing has not.
    HideAfterFirstPaint();
}

void SchedulerDialog::HideAfterFirstPaint() {
    if (hidePending) {
        window->ShowWindow(false);
        hidePending = false;
    }
}

void SchedulerDialog::OnAdd() {
    std::string title = "Task " + std::to_string(window->ListGetCount(IDC_TASK_LIST) + 1);
    auto task = std::make_unique<Task>(services, std::move(title), 0);
    if (EditTask(*task) == ID_OK) {
        tasks->Append(std::move(task));
        FillTaskList();
        window->ListSetSelection(IDC_TASK_LIST, window->ListGetCount(IDC_TASK_LIST) - 1);
        writes.Store(ALL_TASKS);
        trayIcon.UpdateTip();
    }
    // Otherwise the new task goes with `task`; list and store stay as they were.
    UpdateButtons();
}

int SchedulerDialog::EditTask(Task& task) {
    FlagScope editingScope(editing);
    TaskPropertiesDialog dialog(task, services, appTitle);
    return window->RunPropertiesDialog(dialog);
}

void SchedulerDialog::OnRemove() {
    int line = window->ListGetSelection(IDC_TASK_LIST);
    if (line < 0 || line >= tasks->GetCount()) return;
    tasks->RemoveTask(line);
    writes.Store(ALL_TASKS);
    trayIcon.UpdateTip();
    FillTaskList();
    int count = window->ListGetCount(IDC_TASK_LIST);
    window->ListSetSelection(IDC_TASK_LIST, line < count ? line : count - 1);
    UpdateButtons();
}

void SchedulerDialog::OnProperties() {
    int line = window->ListGetSelection(IDC_TASK_LIST);
    Task* task = line >= 0 ? tasks->GetTask(line) : nullptr;
    if (task == nullptr) return;
    if (EditTask(*task) == ID_OK) {
        FillTaskList();
        window->ListSetSelection(IDC_TASK_LIST, line);
        writes.Store(line);
    }
}

std::vector<MenuEntry> SchedulerDialog::TaskMenuEntries() {
    const Task* task = tasks->GetTask(window->ListGetSelection(IDC_TASK_LIST));
    if (task == nullptr) return {};
    return {{IDM_RUN_NOW, "&Run Now"},
            {IDM_TASK_PROPERTIES, "&Properties..."},
            {IDM_TASK_HISTORY, "&History..."},
            {IDM_TOGGLE_DISABLED, task->IsDisabled() ? "&Enable" : "&Disable"},
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
    if (!tasks->IsStopped()) notices.TellStartFailures(true);
}

void SchedulerDialog::OnToggleDisabled() {
    const int line = window->ListGetSelection(IDC_TASK_LIST);
    Task* task = tasks->GetTask(line);
    if (task == nullptr) return;
    task->SetDisabled(!task->IsDisabled());
    // The next run is computed afresh from now, as OK in the properties
    // dialog does: a task enabled after a pause does not make up a stale
    // run.
    if (Schedule* schedule = task->GetSchedule()) schedule->ComputeNextRun();
    writes.Store(line);
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
    SaveSettings();
    window->ShowWindow(false);
}

void SchedulerDialog::OnExit() {
    if (!UpdateData(true)) return;
    // Stored by the end's one write, with everything else not yet stored.
    settings.Confirm(true);
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
    unsavedAtEnd = !writes.Store(std::nullopt);
}

void SchedulerDialog::OnCancel() {
    StoreAtEnd();
    trayIcon.Want(false);
    if (timerId != 0) {
        window->KillTimer(timerId);
        timerId = 0;
    }
    notices.StopEndsTimer();
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

void SchedulerDialog::OnShowing() { settings.RefreshLoginBox(*window); }

void SchedulerDialog::OnTrayAreaCreated() { trayIcon.OnAreaCreated(); }

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
    settings.Confirm(false);
    writes.Store(std::nullopt);
    RestartTimer();
    trayIcon.Want(settings.GetShowIcon() != 0);
}

void SchedulerDialog::ShowTakenUp(int shownInterval) {
    if (window == nullptr || ending) return;
    UpdateData(false);
    if (settings.GetInterval() != shownInterval) RestartTimer();
    trayIcon.Want(settings.GetShowIcon() != 0);
    trayIcon.UpdateTip();
    UpdateButtons();
}

void SchedulerDialog::RestartTimer() {
    if (timerId != 0) window->KillTimer(timerId);
    tasks->SetCheckPeriod(static_cast<int>(settings.TimerPeriodMs() / 1000));  // later than this: ran late
    timerId = window->SetTimer(SCHEDULER_TIMER_ID, settings.TimerPeriodMs());
}

bool SchedulerDialog::UpdateData(bool saveAndValidate) {
    if (!settings.Exchange(*window, saveAndValidate, appTitle)) return false;
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

}  // namespace tikr::ui
