// Regular intervals over whole days: every next run lands exactly on its
// second, so checks at any period lose no run.
#include <gtest/gtest.h>

#include "core/schedule.h"
#include "core_fixture.h"

namespace tikr::test {
namespace {

using IntervalTest = CoreFixture;

// Every interval from 0:00 to 23:59, computed at times of day spread over
// the whole day, gives the very date-time that the fields of now plus the
// interval make: not a hair after it, or the check at that second would
// find the task not yet due.
TEST_F(IntervalTest, EveryIntervalLandsExactlyOnItsSecond) {
    int failures = 0;
    for (int minutes = 0; minutes < 24 * 60 && failures < 10; ++minutes) {
        for (int start = 0; start < 86400 && failures < 10; start += 863) {
            clock.Set(2026, 12, 8, 0, 0, 0);
            clock.Advance(start);
            IntervalSchedule schedule(services, TimeOfDay(minutes / 60, minutes % 60), 1);
            FakeClock later = clock;
            later.Advance(minutes * 60LL);
            const DateTime expected = DateTime::Now(later);
            if (schedule.GetNextRun().GetDayNumber() != expected.GetDayNumber() || !schedule.GetNextRun().IsValid()) {
                ++failures;
                ADD_FAILURE() << "interval " << minutes << " min from second " << start << ": "
                              << Stamp(schedule.GetNextRun()) << " is not exactly " << Stamp(expected);
            }
        }
    }
}

// A day of checks at a fixed period: the task runs at the first check at
// or after each next run, so the runs come every interval rounded up to
// whole periods, with none lost.
TEST_F(IntervalTest, ADayOfChecksLosesNoRun) {
    const int periods[] = {1, 10, 60, 600};
    const int intervals[] = {0, 1, 7, 60, 61, 90};  // minutes
    for (const int period : periods) {
        for (const int interval : intervals) {
            clock.Set(2026, 12, 8, 14, 30, 0);
            IntervalSchedule schedule(services, TimeOfDay(interval / 60, interval % 60), 1);
            int runs = 0;
            for (int elapsed = period; elapsed <= 86400; elapsed += period) {
                clock.Advance(period);
                if (!schedule.IsDue()) continue;
                ++runs;
                schedule.UpdateNextRun();
            }
            const int seconds = interval * 60;
            const int gap = seconds == 0 ? period : (seconds + period - 1) / period * period;
            EXPECT_EQ(runs, 86400 / gap) << "every " << interval << " min, checked every " << period << " s";
        }
    }
}

}  // namespace
}  // namespace tikr::test
