#pragma once
// A task's story in words, for the main window's tooltip on each task line
// and the line's accessible description: the timing rule, the next run and
// how the last run went. English texts, free of the C locale.
#include <string>

#include "core/date_time.h"

namespace tikr {

class Schedule;
class Task;

// The timing rule in words, e.g. "Every day at 08:00 except Saturday and
// Sunday". Describes what the rule computes, also for values only an edited
// profile file holds (a day of week outside 0..6, a day of month outside
// 1..31, an invalid time of day).
std::string DescribeSchedule(const Schedule& schedule);

// "Mon 14 Dec 2026 08:00", with ":SS" appended when the seconds are not
// zero; "unknown" for an invalid value.
std::string FormatRunTime(const DateTime& when);
// A next run: as FormatRunTime, but "never" for the last day a date-time
// can hold (the next run of a rule with every day skipped). Only a next
// run means that by it; a run's start on that day is shown as a date.
std::string FormatNextRun(const DateTime& when);

// What the task state text is made of.
struct TaskStateFacts {
    std::string rule;  // the rule in words, from DescribeSchedule
    bool disabled = false;
    DateTime nextRun;
    DateTime lastRun;        // invalid: the task has never run
    std::string lastResult;  // how the last run went; empty when not stored
    DateTime runningSince;   // invalid: no run is going on
};

// The lines of the text, joined by "\n": the rule, "Disabled" or the next
// run, then the last finished run and its outcome (cut to one line of at
// most MAX_RESULT_CHARACTERS characters, since the profile file may hold
// anything) or "Never run", and "Running since ..." while a run goes on.
std::string DescribeTaskState(const TaskStateFacts& facts);

constexpr std::size_t MAX_RESULT_CHARACTERS = 200;

// DescribeTaskState of the task's rule, flag, next run and last run.
std::string DescribeTask(const Task& task);

}  // namespace tikr
