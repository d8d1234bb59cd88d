#include "ui/task_properties_dialog.h"

#include <memory>
#include <new>
#include <utility>

#include "core/action.h"
#include "core/date_time.h"
#include "core/schedule.h"
#include "core/command_line_quoting.h"
#include "ui/data_exchange.h"
#include "ui/res/resource_ids.h"
#include "ui/window_port.h"

namespace tikr::ui {

namespace {

using namespace res;

constexpr int DAILY_ROW[] = {IDC_SKIP_SUN, IDC_SKIP_MON, IDC_SKIP_TUE, IDC_SKIP_WED,
                             IDC_SKIP_THU, IDC_SKIP_FRI, IDC_SKIP_SAT, IDC_SKIP_LABEL};
constexpr int WEEKLY_ROW[] = {IDC_DAY_OF_WEEK, IDC_DAY_OF_WEEK_LABEL};
constexpr int MONTHLY_ROW[] = {IDC_DAY_OF_MONTH, IDC_DAY_OF_MONTH_SPIN, IDC_DATE_LABEL};
constexpr int APPLICATION_ROW[] = {IDC_COMMAND_LINE, IDC_COMMAND_LABEL, IDC_BROWSE};
constexpr int MESSAGE_ROW[] = {IDC_MESSAGE, IDC_MESSAGE_LABEL};

// The skip check boxes, Sunday first, as the skipDays fields are ordered.
constexpr int SKIP_BOXES[7] = {IDC_SKIP_SUN, IDC_SKIP_MON, IDC_SKIP_TUE, IDC_SKIP_WED,
                               IDC_SKIP_THU, IDC_SKIP_FRI, IDC_SKIP_SAT};

constexpr int MAX_TITLE_CHARS = 100;
constexpr int MAX_COMMAND_LINE_CHARS = 256;
constexpr int MAX_STOP_HOURS = 999;

void ShowRow(WindowPort& window, std::span<const int> row, bool show) {
    for (int id : row) window.ShowControl(id, show);
}

}  // namespace

const std::array<std::span<const int>, 4> TaskPropertiesDialog::timingRows = {
    std::span<const int>(DAILY_ROW), std::span<const int>(WEEKLY_ROW), std::span<const int>(MONTHLY_ROW),
    std::span<const int>()};

const std::array<std::span<const int>, 2> TaskPropertiesDialog::actionRows = {std::span<const int>(APPLICATION_ROW),
                                                                              std::span<const int>(MESSAGE_ROW)};

TaskPropertiesDialog::TaskPropertiesDialog(Task& task, const CoreServices& services, std::string appTitle)
    : task(task), services(services), appTitle(std::move(appTitle)) {}

void TaskPropertiesDialog::Attach(WindowPort& port) { window = &port; }

bool TaskPropertiesDialog::OnCommand(int id, ControlEvent event) {
    if (event == ControlEvent::selectionChanged) {
        if (id == IDC_TIMING) OnTimingChanged();
        if (id == IDC_ACTION) OnActionChanged();
        return id == IDC_TIMING || id == IDC_ACTION;
    }
    if (event != ControlEvent::clicked) return false;
    switch (id) {
    case IDC_BROWSE: OnBrowse(); return true;
    case ID_OK: OnOK(); return true;
    case ID_CANCEL: OnCancel(); return true;
    default: return false;
    }
}

void TaskPropertiesDialog::OnInitDialog() {
    DoDataExchange(false);
    window->SetUpDownRange(IDC_DAY_OF_MONTH_SPIN, 1, 31);
    window->SetUpDownRange(IDC_MINUTE_SPIN, 0, 59);
    window->SetUpDownRange(IDC_HOUR_SPIN, 0, 23);
    window->SetUpDownRange(IDC_STOP_HOURS_SPIN, 0, MAX_STOP_HOURS);
    window->SetUpDownRange(IDC_STOP_MINUTES_SPIN, 0, 59);
    ShowTimingRow(timingKind, true);
    ShowActionRow(actionKind, true);
}

bool TaskPropertiesDialog::DoDataExchange(bool saving) {
    if (!saving) LoadFromTask();
    DataExchange dx(*window, saving, appTitle);
    // Steps 1 and 2 bind the two combo boxes; the port addresses controls
    // by id, so there is nothing to attach.
    dx.CheckBox(IDC_RUN_MISSED, runMissedOnStartup);
    dx.IntegerText(IDC_HOUR, hour);
    dx.IntegerRange(hour, 0, 23);
    dx.IntegerText(IDC_MINUTE, minute);
    dx.IntegerRange(minute, 0, 59);
    dx.ComboIndex(IDC_DAY_OF_WEEK, dayOfWeek);
    dx.IntegerText(IDC_DAY_OF_MONTH, dayOfMonth);
    dx.IntegerRange(dayOfMonth, 1, 31);
    dx.StringText(IDC_TITLE, title);
    dx.MaxChars(title, MAX_TITLE_CHARS);
    dx.CheckBox(IDC_DISABLED, disabled);
    dx.StringText(IDC_COMMAND_LINE, commandLine);
    dx.MaxChars(commandLine, MAX_COMMAND_LINE_CHARS);
    dx.StringText(IDC_MESSAGE, messageText);
    dx.ComboIndex(IDC_TIMING, timingKind);
    dx.ComboIndex(IDC_ACTION, actionKind);
    for (int day = 0; day < 7; ++day) dx.CheckBox(SKIP_BOXES[day], skipDays[day]);
    dx.ComboIndex(IDC_IF_STILL_RUNNING, ifStillRunning);
    dx.IntegerText(IDC_STOP_HOURS, stopHours);
    dx.IntegerRange(stopHours, 0, MAX_STOP_HOURS);
    dx.IntegerText(IDC_STOP_MINUTES, stopMinutes);
    dx.IntegerRange(stopMinutes, 0, 59);
    return !dx.Failed();
}

void TaskPropertiesDialog::LoadFromTask() {
    title = task.GetTitle();
    ifStillRunning = static_cast<int>(task.GetIfStillRunning());
    stopHours = task.GetStopAfter() / 60;
    stopMinutes = task.GetStopAfter() % 60;
    disabled = task.IsDisabled() ? 1 : 0;

    if (const Schedule* schedule = task.GetSchedule()) {
        timingKind = schedule->GetKind();
        hour = schedule->GetTimeOfDay().GetHour();
        minute = schedule->GetTimeOfDay().GetMinute();
        runMissedOnStartup = schedule->GetRunMissedOnStartup();
        switch (timingKind) {
        case 0: skipDays = static_cast<const DailySchedule*>(schedule)->GetSkipDays(); break;
        case 1: dayOfWeek = static_cast<const WeeklySchedule*>(schedule)->GetDayOfWeek(); break;
        case 2: dayOfMonth = static_cast<const MonthlySchedule*>(schedule)->GetDayOfMonth(); break;
        default: break;
        }
    } else {
        timingKind = 0;
    }

    // A task loaded without an action is shown as an application action
    // with an empty command line; OK then gives it one.
    const Action* action = task.GetAction();
    actionKind = action != nullptr ? action->GetKind() : 0;
    if (action == nullptr) {
        commandLine.clear();
    } else if (actionKind == 0) {
        commandLine = static_cast<const RunApplicationAction*>(action)->GetCommandLine();
    } else if (actionKind == 1) {
        messageText = static_cast<const MessageBoxAction*>(action)->GetText();
    }
}

void TaskPropertiesDialog::ApplyToTask() {
    DateTime time;
    time.SetDateTime(1899, 12, 30, hour, minute, 0);

    // Both new objects exist before the task changes at all.
    std::unique_ptr<Schedule> schedule;
    switch (timingKind) {
    case 1: schedule = std::make_unique<WeeklySchedule>(services, time, runMissedOnStartup, dayOfWeek); break;
    case 2: schedule = std::make_unique<MonthlySchedule>(services, time, runMissedOnStartup, dayOfMonth); break;
    case 3: schedule = std::make_unique<IntervalSchedule>(services, time, runMissedOnStartup); break;
    default: schedule = std::make_unique<DailySchedule>(services, time, runMissedOnStartup, skipDays); break;
    }
    std::unique_ptr<Action> action;
    if (actionKind == 1) action = std::make_unique<MessageBoxAction>(services, messageText);
    else action = std::make_unique<RunApplicationAction>(services, commandLine, RunApplicationAction::SHOW_STATE_SHOW);

    task.SetSchedule(std::move(schedule));
    task.SetAction(std::move(action));
    task.SetTitle(title);
    // A choice the combo box did not give (none selected) is the default.
    task.SetIfStillRunning(ifStillRunning == 1   ? IfStillRunning::skip
                           : ifStillRunning == 2 ? IfStillRunning::restart
                                                 : IfStillRunning::start);
    task.SetStopAfter(stopHours * 60 + stopMinutes);
    task.SetDisabled(disabled != 0);
}

void TaskPropertiesDialog::ShowTimingRow(int kind, bool show) {
    if (kind < 0 || kind >= static_cast<int>(timingRows.size())) return;
    ShowRow(*window, timingRows[static_cast<std::size_t>(kind)], show);
}

void TaskPropertiesDialog::ShowActionRow(int kind, bool show) {
    if (kind < 0 || kind >= static_cast<int>(actionRows.size())) return;
    ShowRow(*window, actionRows[static_cast<std::size_t>(kind)], show);
}

void TaskPropertiesDialog::OnTimingChanged() {
    ShowTimingRow(timingKind, false);
    timingKind = window->GetComboSelection(IDC_TIMING);
    ShowTimingRow(timingKind, true);
}

void TaskPropertiesDialog::OnActionChanged() {
    ShowActionRow(actionKind, false);
    actionKind = window->GetComboSelection(IDC_ACTION);
    ShowActionRow(actionKind, true);
}

std::string TaskPropertiesDialog::QuotePathForCommandLine(const std::string& path) { return QuoteProgramPath(path); }

void TaskPropertiesDialog::OnBrowse() {
    std::optional<std::string> chosen = window->ChooseFile(BROWSE_FILTER);
    if (!chosen) return;
    window->SetText(res::IDC_COMMAND_LINE, QuotePathForCommandLine(*chosen));
}

bool TaskPropertiesDialog::OnOK() {
    if (!DoDataExchange(true)) return false;
    try {
        ApplyToTask();
    } catch (const std::bad_alloc&) {
        // The task changes only after both new objects exist, so it is
        // still as it was; the dialog stays open.
        window->ShowMessage("Out of memory.", appTitle);
        return false;
    }
    window->EndDialog(res::ID_OK);
    return true;
}

void TaskPropertiesDialog::OnCancel() { window->EndDialog(res::ID_CANCEL); }

}  // namespace tikr::ui
