#pragma once
// Control, dialog and icon ids of the dialogs. The ids the window system
// also defines as macros (IDOK 1, IDCANCEL 2, the static item 65535 and the
// Help command 57670) have the same values under names of their own, so that
// this header compiles after <windows.h>.

namespace tikr::ui::res {

constexpr int ID_OK = 1;
constexpr int ID_CANCEL = 2;
constexpr int ID_STATIC_ITEM = 65535;

constexpr int IDR_MAINFRAME = 128;         // application icon
constexpr int IDD_SCHEDULER_DIALOG = 130;  // main window
constexpr int IDD_TASK_PROPERTIES = 132;   // task properties dialog
constexpr int IDD_TASK_HISTORY = 134;      // a task's history of runs
constexpr int ID_HELP_COMMAND = 57670;

// Main window.
constexpr int IDC_HIDE = 1000;
constexpr int IDC_EXIT = 1001;
constexpr int IDC_TASK_LIST = 1005;
constexpr int IDC_SHOW_ICON = 1013;
constexpr int IDC_INTERVAL = 1015;
constexpr int IDC_HIDE_ON_STARTUP = 1016;
constexpr int IDC_ADD = 1019;
constexpr int IDC_REMOVE = 1020;
constexpr int IDC_INTERVAL_SPIN = 1028;
constexpr int IDC_PROPERTIES = 1039;
constexpr int IDC_START_AT_LOGIN = 1040;

// Task properties dialog.
constexpr int IDC_HOUR = 1009;
constexpr int IDC_MINUTE = 1010;
constexpr int IDC_TITLE = 1011;
constexpr int IDC_COMMAND_LINE = 1012;
constexpr int IDC_RUN_MISSED = 1014;
constexpr int IDC_DAY_OF_MONTH = 1017;
constexpr int IDC_TIMING = 1018;
constexpr int IDC_SKIP_MON = 1021;
constexpr int IDC_SKIP_TUE = 1022;
constexpr int IDC_SKIP_WED = 1023;
constexpr int IDC_SKIP_THU = 1024;
constexpr int IDC_SKIP_FRI = 1025;
constexpr int IDC_SKIP_SAT = 1026;
constexpr int IDC_SKIP_SUN = 1027;
constexpr int IDC_HOUR_SPIN = 1029;
constexpr int IDC_MINUTE_SPIN = 1030;
constexpr int IDC_DAY_OF_MONTH_SPIN = 1031;
constexpr int IDC_DAY_OF_WEEK = 1034;
constexpr int IDC_DISABLED = 1036;
constexpr int IDC_ACTION = 1037;
constexpr int IDC_MESSAGE = 1038;
constexpr int IDC_DATE_LABEL = 1042;
constexpr int IDC_DAY_OF_WEEK_LABEL = 1043;
constexpr int IDC_SKIP_LABEL = 1044;
constexpr int IDC_COMMAND_LABEL = 1045;
constexpr int IDC_MESSAGE_LABEL = 1046;
constexpr int IDC_BROWSE = 1047;
// What a due run does while the last still runs, and the time limit.
constexpr int IDC_IF_STILL_RUNNING = 1053;
constexpr int IDC_STOP_HOURS = 1054;
constexpr int IDC_STOP_HOURS_SPIN = 1055;
constexpr int IDC_STOP_MINUTES = 1056;
constexpr int IDC_STOP_MINUTES_SPIN = 1057;

// History window (1050..1059; the ids after the three below are left for
// controls a front end may add of its own).
constexpr int IDC_HISTORY_TASK = 1050;
constexpr int IDC_HISTORY_LIST = 1051;
constexpr int IDC_OPEN_OUTPUT = 1052;

// The menu of a task line (its commands reach OnCommand as clicks).
constexpr int IDM_RUN_NOW = 32771;
constexpr int IDM_TASK_PROPERTIES = 32772;
constexpr int IDM_TOGGLE_DISABLED = 32773;
constexpr int IDM_TASK_REMOVE = 32774;
constexpr int IDM_TASK_HISTORY = 32775;

}  // namespace tikr::ui::res
