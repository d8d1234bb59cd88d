#include "core/overlap_rules.h"

#include <cmath>

#include "core/run_outcome.h"
#include "store/ascii_text.h"

namespace tikr {

namespace {

constexpr const char* TIME_OF_DAY = "%H:%M:%S";

// Digits only, at most `most` of them; -1 otherwise.
int Digits(const std::string& text, std::size_t most) {
    if (text.empty() || text.size() > most) return -1;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

IfStillRunning ParseIfStillRunning(const std::string& text) {
    if (EqualsIgnoreCase(text, "Skip")) return IfStillRunning::skip;
    if (EqualsIgnoreCase(text, "Restart")) return IfStillRunning::restart;
    return IfStillRunning::start;
}

const char* IfStillRunningText(IfStillRunning choice) {
    switch (choice) {
    case IfStillRunning::skip: return "Skip";
    case IfStillRunning::restart: return "Restart";
    case IfStillRunning::start: break;
    }
    return "Start";
}

int ParseStopAfter(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return 0;
    const int hours = Digits(text.substr(0, colon), 3);
    const int minutes = Digits(text.substr(colon + 1), 2);
    if (hours < 0 || minutes < 0 || minutes > 59) return 0;
    return hours * 60 + minutes;
}

std::string StopAfterText(int minutes) {
    if (minutes < 0 || minutes > MAX_STOP_AFTER_MINUTES) minutes = 0;
    const int hours = minutes / 60;
    const int rest = minutes % 60;
    return (hours < 10 ? "0" : "") + std::to_string(hours) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

std::string SkippedText(const DateTime& runningSince) {
    return "skipped: still running since " + runningSince.Format(TIME_OF_DAY);
}

std::string StopDurationText(long long seconds) {
    if (seconds < 3600 || seconds >= 86400) return DurationText(seconds);
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

std::string StoppedOutcome(StopReason reason, const ProgramEnd& end) {
    switch (reason) {
    case StopReason::restart: return "stopped to start again after " + StopDurationText(end.seconds);
    case StopReason::timeLimit: return "stopped after " + StopDurationText(end.seconds) + " (time limit)";
    case StopReason::none: break;
    }
    return EndedText(end);
}

bool EndTellsFailure(StopReason reason, const ProgramEnd& end) {
    if (reason == StopReason::timeLimit) return true;
    return reason == StopReason::none && EndedInFailure(end);
}

std::string LateNote(const DateTime& due) { return "; ran late: due " + due.Format(TIME_OF_DAY); }

bool RanLate(const DateTime& due, const DateTime& now, int checkPeriodSeconds) {
    if (!due.IsValid() || !now.IsValid()) return false;
    return SecondsBetween(due, now) > checkPeriodSeconds;
}

long long SecondsBetween(const DateTime& from, const DateTime& to) {
    // Moments after 1899 (every one a clock gives) lie on a plain line of
    // day numbers.
    return std::llround((to.GetDayNumber() - from.GetDayNumber()) * 86400.0);
}

}  // namespace tikr
