#pragma once
// Timing rules. Each schedule holds a time of day, its kind's rule, the
// run-missed flag and the next run time; it answers whether its task is due
// and computes the following run, and reads and writes its keys in the
// task's profile section.
#include <array>
#include <string>

#include "core/calendar.h"
#include "core/core_services.h"
#include "core/date_time.h"
#include "store/stored_section.h"

namespace tikr {

class Schedule {
public:
    // The kind numbers GetKind reports, also the entries of the properties
    // dialog's timing list.
    static constexpr int KIND_DAILY = 0;
    static constexpr int KIND_WEEKLY = 1;
    static constexpr int KIND_MONTHLY = 2;
    static constexpr int KIND_INTERVAL = 3;

    virtual ~Schedule() = default;
    Schedule(const Schedule&) = delete;
    Schedule& operator=(const Schedule&) = delete;

    virtual int GetKind() const = 0;
    // Sets nextRun from the current local time by the kind's rule. Always
    // ends with a valid next run later than now (not earlier for Interval).
    virtual void ComputeNextRun() = 0;
    // ComputeNextRun, then writes "NextAt" into sectionName.
    void UpdateNextRun();
    // True when the current local time has reached nextRun.
    bool IsDue() const;
    // Remembers the section and writes every key of the schedule, "NextAt"
    // as the next run is in memory (computed only when it is not valid).
    virtual void Save(const std::string& section);

    const DateTime& GetTimeOfDay() const { return timeOfDay; }
    const DateTime& GetNextRun() const { return nextRun; }
    int GetRunMissedOnStartup() const { return runMissedOnStartup; }
    const std::string& GetSectionName() const { return sectionName; }

    static constexpr const char* NEXT_RUN_FORMAT = "%d-%b-%Y %H:%M:%S";

protected:
    // From values: sectionName empty; the kind's constructor then calls
    // ComputeNextRun.
    Schedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup);
    // From a profile section: reads "when", "RunMissedOnStartup" and (with
    // the flag set) "NextAt". The kind's constructor reads its own key and
    // then calls FinishLoad.
    Schedule(const CoreServices& services, const StoredSection& stored);
    // Recomputes the next run when the loaded one is unusable; see
    // StoreLoadedNextRun.
    void FinishLoad(const StoredSection& stored);
    // ComputeNextRun, then writes "NextAt" unless the section as loaded
    // holds that text already: a load that recomputes the stored next runs
    // costs no writes.
    void StoreLoadedNextRun(const StoredSection& stored);

    DateTime Now() const;
    // The next occurrence of timeOfDay strictly after now.
    DateTime NextTimeOfDay() const;
    // Hour, minute and second of timeOfDay (00:00:00 when it is invalid),
    // in the fields of the same names; the date fields are left alone.
    void TimeFields(LocalTimeFields& fields) const;

    const CoreServices& services;
    DateTime timeOfDay;
    std::string sectionName;
    DateTime nextRun;
    int runMissedOnStartup = 1;
};

class DailySchedule : public Schedule {
public:
    using SkipDays = std::array<int, 7>;  // index 0 = Sunday; nonzero: skip

    // A new task's rule: now as the time of day, run-missed set, Saturday
    // and Sunday skipped.
    explicit DailySchedule(const CoreServices& services);
    DailySchedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup,
                  const SkipDays& skipDays);
    DailySchedule(const CoreServices& services, const StoredSection& stored);

    int GetKind() const override { return KIND_DAILY; }
    void ComputeNextRun() override;
    void Save(const std::string& section) override;
    const SkipDays& GetSkipDays() const { return skipDays; }

private:
    SkipDays skipDays{};
};

class WeeklySchedule : public Schedule {
public:
    WeeklySchedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup, int dayOfWeek);
    WeeklySchedule(const CoreServices& services, const StoredSection& stored);

    int GetKind() const override { return KIND_WEEKLY; }
    void ComputeNextRun() override;
    void Save(const std::string& section) override;
    int GetDayOfWeek() const { return dayOfWeek; }

private:
    int dayOfWeek = 0;  // 0 = Sunday .. 6 = Saturday
};

class MonthlySchedule : public Schedule {
public:
    MonthlySchedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup, int dayOfMonth);
    MonthlySchedule(const CoreServices& services, const StoredSection& stored);

    int GetKind() const override { return KIND_MONTHLY; }
    void ComputeNextRun() override;
    void Save(const std::string& section) override;
    int GetDayOfMonth() const { return dayOfMonth; }

private:
    int dayOfMonth = 1;
};

class IntervalSchedule : public Schedule {
public:
    IntervalSchedule(const CoreServices& services, const DateTime& timeOfDay, int runMissedOnStartup);
    IntervalSchedule(const CoreServices& services, const StoredSection& stored);

    int GetKind() const override { return KIND_INTERVAL; }
    void ComputeNextRun() override;
    void Save(const std::string& section) override;
};

}  // namespace tikr
