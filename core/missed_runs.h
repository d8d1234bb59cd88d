#pragma once
// The due moments a task missed while no scheduler was running, as a start
// finds them: one history line tells of them all.
#include <optional>
#include <string>

#include "core/date_time.h"
#include "core/schedule.h"

namespace tikr {

struct MissedRuns {
    long long count = 0;
    DateTime first;  // the stored next run
    DateTime last;   // the last due moment before now
};

// What a task loaded now missed: its stored next run had passed, and its
// schedule does not make the run up at the first check (the run-missed
// flag is off, or it is an interval, whose next run restarts at every
// load). An interval missed every interval from the stored next run on.
// Nothing when the stored next run was not readable or had not passed.
std::optional<MissedRuns> FindMissedRuns(const DateTime& storedNextRun, const Schedule& schedule, const DateTime& now);

// "missed: due 08:00:00, Tikr was not running", or for several "missed 14
// runs from 08:00:00 to 21:00:00".
std::string MissedText(const MissedRuns& missed);

}  // namespace tikr
