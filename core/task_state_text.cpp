#include "core/task_state_text.h"

#include <vector>

#include "core/date_format.h"
#include "core/one_line_text.h"
#include "core/schedule.h"
#include "core/task.h"

namespace tikr {

namespace {

// "%H:%M" of a time of day; an invalid one is 00:00, as the rules take it.
std::string TimeText(const DateTime& timeOfDay) {
    const std::string text = timeOfDay.Format("%H:%M");
    return text.empty() ? "00:00" : text;
}

// The English name of a day of the week, 0 = Sunday .. 6 = Saturday, from
// the same table as the date formatter's "%A".
std::string DayName(int day) {
    const DateFields fields{CivilDate{2000, 1, 1}, 0, 0, 0, day + 1, 1};
    return FormatDateFields("%A", fields);
}

// "A", "A and B", "A, B and C".
std::string JoinList(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
        text += items[i];
    }
    return text;
}

// "1 hour", "2 hours".
std::string Count(int value, const char* unit) { return std::to_string(value) + " " + unit + (value == 1 ? "" : "s"); }

std::string DescribeDaily(const DailySchedule& daily, const std::string& time) {
    std::vector<std::string> skipped;
    // Monday first, Sunday last.
    for (int i = 1; i <= 7; ++i) {
        const int day = i % 7;
        if (daily.GetSkipDays()[static_cast<std::size_t>(day)] != 0) skipped.push_back(DayName(day));
    }
    if (skipped.size() == 7) return "Never: every day of the week is skipped";
    std::string text = "Every day at " + time;
    if (!skipped.empty()) text += " except " + JoinList(skipped);
    return text;
}

std::string DescribeWeekly(const WeeklySchedule& weekly, const std::string& time) {
    // The rule counts the day modulo 7, so any value names a day.
    const int day = static_cast<int>((static_cast<long long>(weekly.GetDayOfWeek()) % 7 + 7) % 7);
    return "Every " + DayName(day) + " at " + time;
}

std::string DescribeMonthly(const MonthlySchedule& monthly, const std::string& time) {
    // The rule brings the day into 1..31 and runs on a shorter month's last
    // day when the month lacks the day.
    const int wanted = monthly.GetDayOfMonth();
    const int day = wanted < 1 ? 1 : (wanted > 31 ? 31 : wanted);
    std::string text = "On day " + std::to_string(day) + " of each month at " + time;
    if (day > 28) text += " (the last day in shorter months)";
    return text;
}

std::string DescribeInterval(const Schedule& interval) {
    LocalTimeFields length;
    if (!interval.GetTimeOfDay().GetFields(length)) length = LocalTimeFields{};
    if (length.hour == 0 && length.minute == 0) return "At every check";
    std::string text = "Every";
    if (length.hour != 0) text += " " + Count(length.hour, "hour");
    if (length.minute != 0) text += " " + Count(length.minute, "minute");
    return text;
}

}  // namespace

std::string DescribeSchedule(const Schedule& schedule) {
    const std::string time = TimeText(schedule.GetTimeOfDay());
    if (const auto* daily = dynamic_cast<const DailySchedule*>(&schedule)) return DescribeDaily(*daily, time);
    if (const auto* weekly = dynamic_cast<const WeeklySchedule*>(&schedule)) return DescribeWeekly(*weekly, time);
    if (const auto* monthly = dynamic_cast<const MonthlySchedule*>(&schedule)) return DescribeMonthly(*monthly, time);
    return DescribeInterval(schedule);
}

std::string FormatNextRun(const DateTime& when) {
    // The next run of a daily rule with every day skipped.
    if (when.IsValid() && when.GetDayNumber() >= DateTime::MAX_DAY_NUMBER) return "never";
    return FormatRunTime(when);
}

std::string FormatRunTime(const DateTime& when) {
    if (!when.IsValid()) return "unknown";
    LocalTimeFields fields;
    if (!when.GetFields(fields)) return "unknown";
    std::string text = when.Format("%a ") + std::to_string(fields.day) + when.Format(" %b %Y %H:%M");
    // Interval rules run at any second.
    if (fields.second != 0) text += when.Format(":%S");
    return text;
}

std::string DescribeTaskState(const TaskStateFacts& facts) {
    std::string text = facts.rule + "\n";
    text += facts.disabled ? "Disabled" : "Next run: " + FormatNextRun(facts.nextRun);
    text += "\n";
    // A stored outcome beside a last run that cannot be read is still told.
    if (!facts.lastRun.IsValid() && facts.lastResult.empty()) {
        text += "Never run";
    } else {
        text += "Last run: " + FormatRunTime(facts.lastRun);
        if (!facts.lastResult.empty())
            text += ", " + OneLineText(facts.lastResult, MAX_RESULT_CHARACTERS, InvalidBytes::keep, "");
    }
    if (facts.runningSince.IsValid()) text += "\nRunning since " + FormatRunTime(facts.runningSince);
    return text;
}

std::string DescribeTask(const Task& task) {
    TaskStateFacts facts;
    const Schedule* schedule = task.GetSchedule();
    // Every task has a schedule; without one there is no next run to tell.
    facts.rule = schedule != nullptr ? DescribeSchedule(*schedule) : "No timing rule";
    facts.nextRun = schedule != nullptr ? schedule->GetNextRun() : DateTime(0.0, DateTimeStatus::invalid);
    facts.disabled = task.IsDisabled();
    facts.lastRun = task.GetLastRun();
    facts.lastResult = task.GetLastResult();
    facts.runningSince = task.GetRunningSince();
    return DescribeTaskState(facts);
}

}  // namespace tikr
