#include "core/schedule.h"
#include "core/profile_keys.h"
#include "store/profile_store.h"

namespace tikr {

MonthlySchedule::MonthlySchedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup,
                                 int dayOfMonth)
    : Schedule(services, timeOfDay, runMissedOnStartup), dayOfMonth(dayOfMonth) {
    ComputeNextRun();
}

MonthlySchedule::MonthlySchedule(const CoreServices& services, const StoredSection& stored)
    : Schedule(services, stored) {
    dayOfMonth = stored.ReadInt(keys::DATE, 1);
    FinishLoad(stored);
}

void MonthlySchedule::ComputeNextRun() {
    const DateTime now = Now();
    LocalTimeFields fields;
    if (!now.GetFields(fields)) {
        nextRun = DateTime(0.0, DateTimeStatus::invalid);
        return;
    }
    TimeFields(fields);
    // A day the month lacks (29, 30, 31 in a shorter month) runs on the
    // month's last day, so the task still runs once every month; a day
    // outside 1..31 (an edited file) is brought into that range.
    const int wanted = dayOfMonth < 1 ? 1 : (dayOfMonth > 31 ? 31 : dayOfMonth);
    int year = fields.year;
    int month = fields.month;
    for (int step = 0; step < 2; ++step) {
        const int day = wanted < DaysInMonth(year, month) ? wanted : DaysInMonth(year, month);
        nextRun.SetDateTime(year, month, day, fields.hour, fields.minute, fields.second);
        if (nextRun > now) return;
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
}

void MonthlySchedule::Save(const std::string& section) {
    Schedule::Save(section);
    services.store.WriteString(section, keys::TYPE, keys::TYPE_MONTHLY);
    services.store.WriteInt(section, keys::DATE, dayOfMonth);
}

}  // namespace tikr
