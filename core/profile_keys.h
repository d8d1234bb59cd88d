#pragma once
// Every section and key of the profile file, spelt as the program reads and
// writes them. Names match without regard to letter case, and some are read
// in one spelling and written in another ("settings"/"Settings",
// "skipdays"/"SkipDays"); both spellings are kept as they are.
namespace tikr::keys {

// The section of the main window's settings and the task count.
constexpr const char* SETTINGS_SECTION_READ = "settings";
constexpr const char* SETTINGS_SECTION_WRITTEN = "Settings";
constexpr const char* HIDE_ON_STARTUP = "HideOnStartup";
constexpr const char* SHOW_ICON = "showicon";
constexpr const char* INTERVAL = "interval";
constexpr const char* NUM_APPS = "NumApps";

// Task sections: "App%d", numbered from 1 (the prefix and the number).
constexpr const char* TASK_SECTION_PREFIX = "App";

// Keys of a task section: the task's own ...
constexpr const char* TITLE = "title";
constexpr const char* DISABLED = "Disabled";
constexpr const char* TASK = "Task";  // the action's kind, by its first letter
constexpr const char* TYPE = "type";  // the schedule's kind, by its first letter
// ... the schedule's ...
constexpr const char* WHEN = "when";
constexpr const char* RUN_MISSED_ON_STARTUP = "RunMissedOnStartup";
constexpr const char* NEXT_AT = "NextAt";
constexpr const char* SKIP_DAYS_READ = "skipdays";
constexpr const char* SKIP_DAYS_WRITTEN = "SkipDays";
constexpr const char* DAY_OF_WEEK = "DayOfWeek";
constexpr const char* DATE = "Date";
// ... and the action's.
constexpr const char* COMMAND = "command";
constexpr const char* SHOW = "show";
constexpr const char* MESSAGE = "Message";
// ... and what the last run did: when (in the "NextAt" form) and its
// outcome in words. Files without them read as tasks that never ran.
constexpr const char* LAST_RUN = "LastRun";
constexpr const char* LAST_RESULT = "LastResult";
// The start of the run going on (in the "NextAt" form), apart from the
// last finished run so that its outcome stays readable meanwhile; empty or
// missing when none goes on.
constexpr const char* RUNNING_SINCE = "RunningSince";
// What a due run does while the task's last program still runs ("Start",
// "Skip" or "Restart"; missing: Start), and how long a run may take
// ("HH:MM"; "00:00" or missing: no limit).
constexpr const char* IF_STILL_RUNNING = "IfStillRunning";
constexpr const char* STOP_AFTER = "StopAfter";

// Values written to "Task" and "type".
constexpr const char* TASK_APPLICATION = "Application";
constexpr const char* TASK_MESSAGE = "Message";
constexpr const char* TYPE_DAILY = "Daily";
constexpr const char* TYPE_WEEKLY = "Weekly";
constexpr const char* TYPE_MONTHLY = "Monthly";
constexpr const char* TYPE_INTERVAL = "Interval";

}  // namespace tikr::keys
