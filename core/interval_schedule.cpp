#include "core/schedule.h"
#include "core/profile_keys.h"
#include "store/profile_store.h"

namespace tikr {

IntervalSchedule::IntervalSchedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup)
    : Schedule(services, timeOfDay, runMissedOnStartup) {
    ComputeNextRun();
}

IntervalSchedule::IntervalSchedule(const CoreServices& services, const StoredSection& stored)
    : Schedule(services, stored) {
    // An interval restarts at every load: a stored next run never survives.
    StoreLoadedNextRun(stored);
}

void IntervalSchedule::ComputeNextRun() {
    // The interval counts from the moment of computation, not from the
    // previous run.
    LocalTimeFields interval;
    TimeFields(interval);
    nextRun = Now() + DateTimeSpan(0, interval.hour, interval.minute, interval.second);
}

void IntervalSchedule::Save(const std::string& section) {
    Schedule::Save(section);
    services.store.WriteString(section, keys::TYPE, keys::TYPE_INTERVAL);
}

}  // namespace tikr
