#pragma once
// The words of a run's outcome, as shown on a task's line, stored in
// "LastResult" and written to the history of runs.
#include <string>

#include "core/date_time.h"
#include "core/process_launcher.h"

namespace tikr {

// A program that was running when the scheduler ended.
constexpr const char* OUTCOME_STILL_RUNNING = "still running when Tikr ended";
// A run that was going on when a scheduler ended without recording it
// (killed, a crash, a power cut), as the next start finds it.
constexpr const char* OUTCOME_ENDED_UNEXPECTEDLY = "running when Tikr ended unexpectedly; outcome unknown";

// "3 s", "4 min 5 s", "2 h 3 min", "3 d 4 h": the two largest units.
std::string DurationText(long long seconds);

// "exited with status 2 after 41 s", "ended by signal 9 after 2 h 3 min";
// Windows exit codes "exited with code 3 after 1 s", and in hexadecimal
// from 0x10000 on, where they are status values: "exited with code
// 0xC0000005 after 1 s".
std::string EndedText(const ProgramEnd& end);

// True for an end that tells of a failure: a non-zero status or a signal.
bool EndedInFailure(const ProgramEnd& end);

// The outcome without its time taken ("exited with status 2"), to tell
// whether two runs failed the same way.
std::string OutcomeWithoutDuration(const std::string& outcome);

// Appended to an outcome when the run's output file could not be made.
std::string OutputDiscardedText(const std::string& reason);
// Appended to the outcome of a run whose output file was cut while it ran,
// to keep the folder within its size.
constexpr const char* OUTPUT_CUT_TEXT = "; output cut: its start was dropped to keep the folder within 64 MB";
// Appended to the history's outcome of a run that wrote nothing; no file is
// kept for it.
constexpr const char* NO_OUTPUT_TEXT = "; no output";

}  // namespace tikr
