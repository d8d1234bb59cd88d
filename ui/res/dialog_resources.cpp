#include "ui/res/dialog_resources.h"

#include <array>

#include "ui/res/resource_ids.h"

namespace tikr::ui::res {

namespace {

using K = ControlKind;

constexpr unsigned TAB = STYLE_TABSTOP;
constexpr unsigned EDIT = STYLE_BORDER | STYLE_TABSTOP | STYLE_AUTOHSCROLL;
constexpr unsigned LABEL = STYLE_GROUP;  // every static text starts a new control group
constexpr unsigned COMBO = STYLE_VSCROLL | STYLE_TABSTOP;
constexpr unsigned SPIN = STYLE_UD_ALIGNRIGHT | STYLE_UD_SETBUDDYINT | STYLE_UD_ARROWKEYS;

// Main window, dialog 130.
constexpr std::array<ControlDef, 15> schedulerControls{{
    {ID_STATIC_ITEM, K::staticText, "The following tasks are scheduled", 7, 7, 108, 8, true, LABEL},
    {IDC_TASK_LIST, K::listBox, "", 7, 20, 172, 67, true, STYLE_BORDER | STYLE_VSCROLL | STYLE_TABSTOP | STYLE_NOTIFY},
    {IDC_ADD, K::pushButton, "&Add...", 7, 92, 48, 14, true, TAB},
    {IDC_REMOVE, K::pushButton, "&Remove", 69, 92, 48, 14, true, TAB},
    {IDC_PROPERTIES, K::pushButton, "&Properties", 131, 92, 48, 14, true, TAB},
    {ID_STATIC_ITEM, K::groupBox, "Scheduler Settings", 7, 114, 172, 66, true, STYLE_NONE},
    {ID_STATIC_ITEM, K::staticText, "Check e&very", 15, 130, 41, 8, true, LABEL},
    {IDC_INTERVAL, K::editField, "", 59, 128, 29, 12, true, EDIT | STYLE_NUMBER},
    {IDC_INTERVAL_SPIN, K::upDown, "", 81, 128, 11, 12, true, SPIN},
    {ID_STATIC_ITEM, K::staticText, "Seconds", 97, 130, 35, 8, true, LABEL},
    {IDC_HIDE_ON_STARTUP, K::checkBox, "H&ide on Startup", 15, 147, 65, 10, true, TAB},
    {IDC_SHOW_ICON, K::checkBox, "Show Tas&kbar Icon", 94, 147, 78, 10, true, TAB},
    {IDC_START_AT_LOGIN, K::checkBox, "Start at &Login", 15, 161, 65, 10, true, TAB},
    {IDC_HIDE, K::pushButton, "Hide", 75, 189, 50, 14, true, TAB | STYLE_DEFAULT_BUTTON},
    {IDC_EXIT, K::pushButton, "E&xit", 129, 189, 50, 14, true, TAB},
}};

// Task properties dialog, dialog 132. The timing rows (Daily, Weekly,
// Monthly) share the area below the time fields and the action rows share
// one area of the "Task" group; all row controls start hidden. The unit
// texts "Hrs" and "Min" come just before the fields they name (tab order
// and drawing do not depend on static texts), as every field's label does.
constexpr std::array<ControlDef, 46> propertiesControls{{
    {ID_STATIC_ITEM, K::staticText, "Tit&le :", 7, 10, 24, 8, true, LABEL},
    {IDC_TITLE, K::editField, "", 47, 7, 152, 12, true, EDIT},
    {IDC_DISABLED, K::checkBox, "Disa&bled", 207, 7, 43, 10, true, TAB},
    {ID_STATIC_ITEM, K::groupBox, "Schedule", 7, 23, 121, 129, true, STYLE_NONE},
    {ID_STATIC_ITEM, K::staticText, "&Timing :", 13, 36, 26, 8, true, LABEL},
    {IDC_TIMING, K::comboDropList, "", 46, 33, 70, 60, true, COMBO},
    {ID_STATIC_ITEM, K::staticText, "At :", 13, 57, 12, 8, true, LABEL},
    {ID_STATIC_ITEM, K::staticText, "Hrs", 59, 57, 12, 8, true, LABEL},
    {IDC_HOUR, K::editField, "", 31, 55, 24, 12, true, EDIT},
    {IDC_HOUR_SPIN, K::upDown, "", 53, 55, 6, 12, true, SPIN | STYLE_UD_WRAP},
    {ID_STATIC_ITEM, K::staticText, "Min", 107, 57, 12, 8, true, LABEL},
    {IDC_MINUTE, K::editField, "", 77, 55, 24, 12, true, EDIT},
    {IDC_MINUTE_SPIN, K::upDown, "", 93, 55, 11, 12, true, SPIN | STYLE_UD_NOTHOUSANDS},
    {IDC_SKIP_LABEL, K::staticText, "Skip :", 13, 79, 19, 8, false, LABEL},
    {IDC_SKIP_MON, K::checkBox, "M&on", 42, 79, 27, 10, false, TAB},
    {IDC_SKIP_TUE, K::checkBox, "Tu&e", 78, 79, 27, 10, false, TAB},
    {IDC_SKIP_WED, K::checkBox, "&Wed", 42, 95, 27, 10, false, TAB},
    {IDC_SKIP_THU, K::checkBox, "T&hu", 78, 95, 27, 10, false, TAB},
    {IDC_SKIP_FRI, K::checkBox, "&Fri", 42, 111, 27, 10, false, TAB},
    {IDC_SKIP_SAT, K::checkBox, "Sa&t", 78, 112, 27, 10, false, TAB},
    {IDC_SKIP_SUN, K::checkBox, "&Sun", 42, 127, 29, 10, false, TAB},
    {IDC_DAY_OF_WEEK_LABEL, K::staticText, "Da&y of Week :", 13, 79, 47, 8, false, LABEL},
    {IDC_DAY_OF_WEEK, K::comboDropList, "", 65, 77, 48, 84, false, COMBO},
    {IDC_DATE_LABEL, K::staticText, "&Date :", 13, 79, 20, 8, false, LABEL},
    {IDC_DAY_OF_MONTH, K::editField, "", 41, 76, 30, 12, false, EDIT},
    {IDC_DAY_OF_MONTH_SPIN, K::upDown, "", 67, 77, 11, 12, false, SPIN},
    {ID_STATIC_ITEM, K::groupBox, "Task", 135, 22, 131, 70, true, STYLE_NONE},
    {ID_STATIC_ITEM, K::staticText, "Do what :", 145, 38, 32, 8, true, LABEL},
    {IDC_ACTION, K::comboDropList, "", 181, 36, 78, 36, true, COMBO},
    {IDC_COMMAND_LABEL, K::staticText, "Comma&nd Line :", 144, 58, 52, 8, false, LABEL},
    {IDC_COMMAND_LINE, K::editField, "", 144, 71, 104, 12, false, EDIT},
    {IDC_BROWSE, K::pushButton, "...", 248, 71, 11, 13, false, TAB},
    {IDC_MESSAGE_LABEL, K::staticText, "Messa&ge :", 144, 58, 34, 8, false, LABEL},
    {IDC_MESSAGE, K::editField, "", 144, 71, 115, 12, false, STYLE_BORDER | STYLE_TABSTOP},
    {IDC_RUN_MISSED, K::checkBox, "R&un on Startup if schedule was missed because scheduler was not active", 135, 98,
     127, 29, true, TAB | STYLE_MULTILINE},
    {ID_OK, K::pushButton, "OK", 147, 138, 50, 14, true, TAB | STYLE_DEFAULT_BUTTON},
    {ID_CANCEL, K::pushButton, "Cancel", 216, 138, 50, 14, true, TAB},
    // Below the rows above, and after them in tab order: a run still going
    // when the task falls due, and how long a run may take.
    {ID_STATIC_ITEM, K::staticText, "If still &running:", 7, 162, 62, 8, true, LABEL},
    {IDC_IF_STILL_RUNNING, K::comboDropList, "", 72, 160, 100, 48, true, COMBO},
    {ID_STATIC_ITEM, K::staticText, "Stop &after", 7, 180, 62, 8, true, LABEL},
    {IDC_STOP_HOURS, K::editField, "", 72, 178, 30, 12, true, EDIT},
    {IDC_STOP_HOURS_SPIN, K::upDown, "", 100, 178, 11, 12, true, SPIN | STYLE_UD_NOTHOUSANDS},
    {ID_STATIC_ITEM, K::staticText, "Hrs", 108, 180, 14, 8, true, LABEL},
    {ID_STATIC_ITEM, K::staticText, "Min", 156, 180, 14, 8, true, LABEL},
    {IDC_STOP_MINUTES, K::editField, "", 126, 178, 24, 12, true, EDIT},
    {IDC_STOP_MINUTES_SPIN, K::upDown, "", 148, 178, 11, 12, true, SPIN | STYLE_UD_NOTHOUSANDS},
}};

// History window, dialog 134: the task's title (set by the window, shown
// as it is), its runs newest first, and the buttons. Enter opens the
// selected run's output, Escape closes.
constexpr std::array<ControlDef, 5> historyControls{{
    {IDC_HISTORY_TASK, K::staticText, "Task:", 7, 7, 246, 8, true, LABEL | STYLE_NOPREFIX},
    {ID_STATIC_ITEM, K::staticText, "&Runs, newest first:", 7, 20, 80, 8, true, LABEL},
    {IDC_HISTORY_LIST, K::listBox, "", 7, 31, 246, 92, true,
     STYLE_BORDER | STYLE_VSCROLL | STYLE_TABSTOP | STYLE_NOTIFY},
    {IDC_OPEN_OUTPUT, K::pushButton, "&Open Output", 149, 130, 50, 14, true, TAB | STYLE_DEFAULT_BUTTON},
    {ID_CANCEL, K::pushButton, "&Close", 203, 130, 50, 14, true, TAB},
}};

constexpr const char* timingEntries[] = {"Daily", "Weekly", "Monthly", "Regular Intervals"};
constexpr const char* dayOfWeekEntries[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
constexpr const char* actionEntries[] = {"Run an Application", "Message Box"};
// In the order of IfStillRunning: start, skip, restart.
constexpr const char* ifStillRunningEntries[] = {"Start another", "Skip this run", "Stop it and start again"};

constexpr std::array<ComboInitData, 4> propertiesComboData{{
    {IDC_TIMING, timingEntries},
    {IDC_DAY_OF_WEEK, dayOfWeekEntries},
    {IDC_ACTION, actionEntries},
    {IDC_IF_STILL_RUNNING, ifStillRunningEntries},
}};

constexpr DialogDef schedulerDialog{IDD_SCHEDULER_DIALOG, "Tikr", "MS Sans Serif", 8, 186, 210, schedulerControls};

constexpr DialogDef propertiesDialog{IDD_TASK_PROPERTIES, "Scheduled Task Properties", "MS Sans Serif", 8, 273, 197,
                                     propertiesControls};

constexpr DialogDef historyDialog{IDD_TASK_HISTORY, "Task History", "MS Sans Serif", 8, 260, 151, historyControls};

}  // namespace

const DialogDef& SchedulerDialogResource() { return schedulerDialog; }

const DialogDef& TaskPropertiesDialogResource() { return propertiesDialog; }

const DialogDef& TaskHistoryDialogResource() { return historyDialog; }

std::span<const ComboInitData> TaskPropertiesComboData() { return propertiesComboData; }

}  // namespace tikr::ui::res
