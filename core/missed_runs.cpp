#include "core/missed_runs.h"

#include "core/overlap_rules.h"

namespace tikr {

std::optional<MissedRuns> FindMissedRuns(const DateTime& storedNextRun, const Schedule& schedule, const DateTime& now) {
    if (!storedNextRun.IsValid() || !now.IsValid() || now < storedNextRun) return std::nullopt;
    // A schedule that kept its passed next run makes it up, late.
    if (schedule.GetNextRun().IsValid() && schedule.GetNextRun() <= now) return std::nullopt;
    MissedRuns missed{1, storedNextRun, storedNextRun};
    if (schedule.GetKind() != Schedule::KIND_INTERVAL) return missed;
    LocalTimeFields interval;
    if (!schedule.GetTimeOfDay().GetFields(interval)) return missed;
    const long long length = interval.hour * 3600LL + interval.minute * 60LL + interval.second;
    if (length <= 0) return missed;
    const long long more = SecondsBetween(storedNextRun, now) / length;
    missed.count += more;
    missed.last = storedNextRun + DateTimeSpan(static_cast<double>(more * length) / 86400.0);
    return missed;
}

std::string MissedText(const MissedRuns& missed) {
    constexpr const char* TIME_OF_DAY = "%H:%M:%S";
    if (missed.count <= 1) return "missed: due " + missed.first.Format(TIME_OF_DAY) + ", Tikr was not running";
    return "missed " + std::to_string(missed.count) + " runs from " + missed.first.Format(TIME_OF_DAY) + " to " +
           missed.last.Format(TIME_OF_DAY);
}

}  // namespace tikr
