#include "core/schedule.h"
#include "core/profile_keys.h"
#include "store/profile_store.h"

namespace tikr {

WeeklySchedule::WeeklySchedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup,
                               int dayOfWeek)
    : Schedule(services, timeOfDay, runMissedOnStartup), dayOfWeek(dayOfWeek) {
    ComputeNextRun();
}

WeeklySchedule::WeeklySchedule(const CoreServices& services, const StoredSection& stored) : Schedule(services, stored) {
    dayOfWeek = stored.ReadInt(keys::DAY_OF_WEEK, 0);
    FinishLoad(stored);
}

void WeeklySchedule::ComputeNextRun() {
    nextRun = NextTimeOfDay();
    if (!nextRun.IsValid()) return;
    const int today = nextRun.GetDayOfWeek();  // 1 = Sunday
    // The day counts modulo 7, so a day outside 0..6 (an edited file, or no
    // day chosen in the dialog, -1) still names a day of the week.
    const long long offset = ((static_cast<long long>(dayOfWeek) - today + 8) % 7 + 7) % 7;
    nextRun += DateTimeSpan(static_cast<int>(offset), 0, 0, 0);
}

void WeeklySchedule::Save(const std::string& section) {
    Schedule::Save(section);
    services.store.WriteString(section, keys::TYPE, keys::TYPE_WEEKLY);
    services.store.WriteInt(section, keys::DAY_OF_WEEK, dayOfWeek);
}

}  // namespace tikr
