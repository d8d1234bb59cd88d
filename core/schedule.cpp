#include "core/schedule.h"

#include <string_view>

#include "core/clock.h"
#include "core/profile_keys.h"
#include "store/ascii_text.h"
#include "store/profile_store.h"

namespace tikr {

namespace {

// Leading white space, an optional sign, then digits up to the first
// non-digit; no digits give 0. Values beyond int are clamped.
int DecimalValue(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    return ReadInteger(text.substr(i)).value;
}

}  // namespace

Schedule::Schedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup)
    : services(services), timeOfDay(timeOfDay), runMissedOnStartup(runMissedOnStartup) {}

Schedule::Schedule(const CoreServices& services, const StoredSection& stored)
    : services(services), sectionName(stored.Name()) {
    // "when" is "H:M" (anything after a second ":" is ignored) or a bare hour.
    const std::string_view when = stored.View(keys::WHEN, "00:00");
    const std::size_t colon = when.find(':');
    int hour = 0;
    int minute = 0;
    if (colon == std::string_view::npos) {
        hour = DecimalValue(when);
    } else {
        hour = DecimalValue(when.substr(0, colon));
        minute = DecimalValue(when.substr(colon + 1));
    }
    // A time of day out of range (only an edited file has one) is taken as
    // 00:00, so every rule still yields a valid next run.
    if (!timeOfDay.SetDateTime(1899, 12, 30, hour, minute, 0)) {
        timeOfDay = DateTime();
    }

    const std::string_view runMissed = stored.View(keys::RUN_MISSED_ON_STARTUP);
    nextRun.SetStatus(DateTimeStatus::invalid);
    if (EqualsIgnoreCase(runMissed, "No")) {
        runMissedOnStartup = 0;
    } else {
        runMissedOnStartup = 1;
        nextRun.Parse(stored.View(keys::NEXT_AT));
    }
}

void Schedule::FinishLoad(const StoredSection& stored) {
    if (!nextRun.IsValid()) StoreLoadedNextRun(stored);
}

void Schedule::StoreLoadedNextRun(const StoredSection& stored) {
    ComputeNextRun();
    const std::string text = nextRun.Format(NEXT_RUN_FORMAT);
    if (text != stored.View(keys::NEXT_AT)) services.store.WriteString(sectionName, keys::NEXT_AT, text);
}

DateTime Schedule::Now() const { return DateTime::Now(services.clock); }

void Schedule::TimeFields(LocalTimeFields& fields) const {
    LocalTimeFields time;
    if (!timeOfDay.GetFields(time)) time = LocalTimeFields{};
    fields.hour = time.hour;
    fields.minute = time.minute;
    fields.second = time.second;
}

DateTime Schedule::NextTimeOfDay() const {
    const DateTime now = Now();
    DateTime candidate(0.0, DateTimeStatus::invalid);
    LocalTimeFields fields;
    if (!now.GetFields(fields)) return candidate;
    TimeFields(fields);
    candidate.SetDateTime(fields.year, fields.month, fields.day, fields.hour, fields.minute, fields.second);
    if (candidate <= now) candidate += DateTimeSpan(1, 0, 0, 0);
    return candidate;
}

void Schedule::UpdateNextRun() {
    ComputeNextRun();
    // A schedule built from values has no section until its first save;
    // there is nowhere to store its next run yet.
    if (sectionName.empty()) return;
    services.store.WriteString(sectionName, keys::NEXT_AT, nextRun.Format(NEXT_RUN_FORMAT));
}

bool Schedule::IsDue() const {
    const DateTime now = Now();
    // Without the local time nothing can be due.
    if (!now.IsValid()) return false;
    return now >= nextRun;
}

void Schedule::Save(const std::string& section) {
    sectionName = section;
    LocalTimeFields time;
    TimeFields(time);
    // "%H:%M" of the time of day.
    const char when[] = {static_cast<char>('0' + time.hour / 10),   static_cast<char>('0' + time.hour % 10),   ':',
                         static_cast<char>('0' + time.minute / 10), static_cast<char>('0' + time.minute % 10), '\0'};
    services.store.WriteString(sectionName, keys::WHEN, when);
    services.store.WriteString(sectionName, keys::RUN_MISSED_ON_STARTUP, runMissedOnStartup != 0 ? "Yes" : "No");
    // The next run is stored as it is: a save (a retry after a failed
    // write, the whole list after Add or Remove) must not move a run that
    // is pending or restart an interval. Only a next run that could not be
    // computed (no local time) is tried again here.
    if (!nextRun.IsValid()) ComputeNextRun();
    services.store.WriteString(sectionName, keys::NEXT_AT, nextRun.Format(NEXT_RUN_FORMAT));
}

}  // namespace tikr
