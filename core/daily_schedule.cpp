#include "core/schedule.h"
#include "core/profile_keys.h"
#include "store/profile_store.h"

namespace tikr {

namespace {

// 31-Dec-9999 00:00:00, the last moment a date-time can hold: the next run
// of a rule that has no day left to run on.
DateTime Never() { return DateTime(DateTime::MAX_DAY_NUMBER); }

}  // namespace

DailySchedule::DailySchedule(const CoreServices& services)
    : Schedule(services, DateTime::Now(services.clock), 1), skipDays{1, 0, 0, 0, 0, 0, 1} {
    ComputeNextRun();
}

DailySchedule::DailySchedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup,
                             const SkipDays& skipDays)
    : Schedule(services, timeOfDay, runMissedOnStartup), skipDays(skipDays) {
    ComputeNextRun();
}

DailySchedule::DailySchedule(const CoreServices& services, const StoredSection& stored) : Schedule(services, stored) {
    const std::string_view text = stored.View(keys::SKIP_DAYS_READ);
    for (std::size_t i = 0; i < skipDays.size(); ++i) {
        skipDays[i] = i < text.size() && text[i] == '1' ? 1 : 0;
    }
    FinishLoad(stored);
}

void DailySchedule::ComputeNextRun() {
    nextRun = NextTimeOfDay();
    if (!nextRun.IsValid()) return;
    // At most six days can be skipped before a day that is not; with all
    // seven skipped the task has no day to run on and never runs.
    for (int tries = 0; tries < 7; ++tries) {
        const int day = nextRun.GetDayOfWeek();
        if (day < 1 || skipDays[static_cast<std::size_t>(day - 1)] == 0) return;
        nextRun += DateTimeSpan(1, 0, 0, 0);
    }
    nextRun = Never();
}

void DailySchedule::Save(const std::string& section) {
    Schedule::Save(section);
    std::string text(skipDays.size(), '0');
    for (std::size_t i = 0; i < skipDays.size(); ++i) {
        if (skipDays[i] != 0) text[i] = '1';
    }
    services.store.WriteString(section, keys::TYPE, keys::TYPE_DAILY);
    services.store.WriteString(section, keys::SKIP_DAYS_WRITTEN, text);
}

}  // namespace tikr
