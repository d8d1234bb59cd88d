#include "core/task_state_text.h"

#include <vector>

#include "core/date_format.h"
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

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The bytes of the character starting at text[pos]: a UTF-8 lead byte with
// the continuation bytes it announces (fewer when they are missing); any
// other byte stands alone. A character is thus at most 4 bytes long, also
// in text that is not UTF-8.
std::size_t CharacterLength(const std::string& text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t wanted = 1;
    if (lead >= 0xC0 && lead < 0xE0) {
        wanted = 2;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        wanted = 3;
    } else if (lead >= 0xF0 && lead < 0xF8) {
        wanted = 4;
    }
    std::size_t length = 1;
    while (length < wanted && pos + length < text.size() &&
           IsContinuation(static_cast<unsigned char>(text[pos + length]))) {
        ++length;
    }
    return length;
}

// True for a character that breaks or shifts a line: the ASCII controls
// (line breaks, tabs, DEL), the C1 controls (U+0080..U+009F, NEL among
// them) and the line and paragraph separators U+2028 and U+2029.
bool IsControl(const std::string& text, std::size_t pos, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    if (length == 1) return byte(0) < 0x20 || byte(0) == 0x7F;
    if (length == 2) return byte(0) == 0xC2 && byte(1) < 0xA0;
    return length == 3 && byte(0) == 0xE2 && byte(1) == 0x80 && (byte(2) == 0xA8 || byte(2) == 0xA9);
}

// The outcome as one line of at most MAX_RESULT_CHARACTERS characters,
// whatever the profile file held: controls become spaces, and the cut
// never splits a character.
std::string OneLine(const std::string& text) {
    std::string line;
    std::size_t characters = 0;
    for (std::size_t pos = 0; pos < text.size() && characters < MAX_RESULT_CHARACTERS; ++characters) {
        const std::size_t length = CharacterLength(text, pos);
        if (IsControl(text, pos, length)) {
            line += ' ';
        } else {
            line.append(text, pos, length);
        }
        pos += length;
    }
    return line;
}

}  // namespace

std::string DescribeSchedule(const Schedule& schedule) {
    const std::string time = TimeText(schedule.GetTimeOfDay());
    if (const auto* daily = dynamic_cast<const DailySchedule*>(&schedule)) return DescribeDaily(*daily, time);
    if (const auto* weekly = dynamic_cast<const WeeklySchedule*>(&schedule)) return DescribeWeekly(*weekly, time);
    if (const auto* monthly = dynamic_cast<const MonthlySchedule*>(&schedule)) return DescribeMonthly(*monthly, time);
    return DescribeInterval(schedule);
}

std::string FormatRunTime(const DateTime& when) {
    if (!when.IsValid()) return "unknown";
    // The next run of a daily rule with every day skipped.
    if (when.GetDayNumber() >= DateTime::MAX_DAY_NUMBER) return "never";
    LocalTimeFields fields;
    if (!when.GetFields(fields)) return "unknown";
    std::string text = when.Format("%a ") + std::to_string(fields.day) + when.Format(" %b %Y %H:%M");
    // Interval rules run at any second.
    if (fields.second != 0) text += when.Format(":%S");
    return text;
}

std::string DescribeTaskState(const TaskStateFacts& facts) {
    std::string text = facts.rule + "\n";
    text += facts.disabled ? "Disabled" : "Next run: " + FormatRunTime(facts.nextRun);
    text += "\n";
    if (!facts.lastRun.IsValid()) return text + "Never run";
    text += "Last run: " + FormatRunTime(facts.lastRun);
    if (!facts.lastResult.empty()) text += ", " + OneLine(facts.lastResult);
    return text;
}

std::string DescribeTask(const Task& task) {
    TaskStateFacts facts;
    const Schedule* schedule = task.GetSchedule();
    // Every task has a schedule; without one there is no next run to tell.
    facts.rule = schedule != nullptr ? DescribeSchedule(*schedule) : "No timing rule";
    facts.nextRun = schedule != nullptr ? schedule->GetNextRun() : DateTime(0.0, DateTimeStatus::invalid);
    facts.disabled = task.IsDisabled() != 0;
    facts.lastRun = task.GetLastRun();
    facts.lastResult = task.GetLastResult();
    return DescribeTaskState(facts);
}

}  // namespace tikr
