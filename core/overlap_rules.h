#pragma once
// What a task does when it falls due while its last program still runs,
// how long a run may take, and the words these leave in a run's outcome.
#include <string>

#include "core/date_time.h"
#include "core/process_launcher.h"

namespace tikr {

// "IfStillRunning": start another copy (no key), skip the due moment, or
// end the running copy and start again.
enum class IfStillRunning { start, skip, restart };

// "Skip" and "Restart" in any letter case; anything else is Start.
IfStillRunning ParseIfStillRunning(const std::string& text);
// "Start", "Skip" or "Restart".
const char* IfStillRunningText(IfStillRunning choice);

// The longest a run may take, in minutes: 999 h 59 min.
constexpr int MAX_STOP_AFTER_MINUTES = 999 * 60 + 59;
// "StopAfter" as "HH:MM" (hours up to 999) in minutes; 0, and any text
// that is no such time, means never.
int ParseStopAfter(const std::string& text);
// "HH:MM", at least two digits of hours: "00:00" for never.
std::string StopAfterText(int minutes);

// Why the scheduler ended a run, if it did.
enum class StopReason { none, restart, timeLimit };

// "skipped: still running since 09:00:00".
std::string SkippedText(const DateTime& runningSince);
// The time a stopped run took: the two largest units, hours always with
// their minutes ("2 h 0 min", "1 h 2 min", "4 min 5 s").
std::string StopDurationText(long long seconds);
// The outcome of a run's end: "stopped to start again after 1 h 2 min",
// "stopped after 2 h 0 min (time limit)", or, for a run not stopped, as
// EndedText says.
std::string StoppedOutcome(StopReason reason, const ProgramEnd& end);
// True when the end is told as a failure: a run ended by its time limit,
// or one not stopped that failed. A run ended to start again is not.
bool EndTellsFailure(StopReason reason, const ProgramEnd& end);

// Appended to the outcome of a run made more than one check period after
// its due moment: "; ran late: due 08:00:00".
std::string LateNote(const DateTime& due);
bool RanLate(const DateTime& due, const DateTime& now, int checkPeriodSeconds);

// Whole seconds from one moment to a later one (negative when earlier).
long long SecondsBetween(const DateTime& from, const DateTime& to);

}  // namespace tikr
