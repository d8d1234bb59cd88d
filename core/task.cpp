#include "core/task.h"

#include <utility>

#include "core/process_launcher.h"
#include "core/profile_keys.h"
#include "core/run_outcome.h"
#include "store/ascii_text.h"
#include "store/profile_store.h"

namespace tikr {

Task::Task(const CoreServices& services, const std::string& section) : services(services) {
    // One look at the section serves every read below: what the schedule
    // writes meanwhile (its next run) is not read again.
    const StoredSection stored = services.store.ReadSection(section);
    title = stored.ReadString(keys::TITLE, section);
    disabled = stored.ReadInt(keys::DISABLED, 0);

    // The action's kind is the first letter of "Task", in either case.
    const std::string_view kind = stored.View(keys::TASK, "A");
    const char actionLetter = kind.empty() ? '\0' : UpperAscii(kind[0]);
    if (actionLetter == 'A') {
        action = std::make_unique<RunApplicationAction>(services, stored);
    } else if (actionLetter == 'M') {
        action = std::make_unique<MessageBoxAction>(services, stored);
    } else {
        // No action: the value is kept so that saving writes it back.
        // Otherwise a section the task moves into would keep another
        // task's "Task" line, and its action, for the next load.
        actionlessKind = kind;
    }

    // The schedule's kind is the first letter of "type"; anything else is
    // a regular interval.
    const std::string_view type = stored.View(keys::TYPE, "I");
    const char scheduleLetter = type.empty() ? '\0' : type[0];
    if (scheduleLetter == 'D' || scheduleLetter == 'd') {
        schedule = std::make_unique<DailySchedule>(services, stored);
    } else if (scheduleLetter == 'M' || scheduleLetter == 'm') {
        schedule = std::make_unique<MonthlySchedule>(services, stored);
    } else if (scheduleLetter == 'W' || scheduleLetter == 'w') {
        schedule = std::make_unique<WeeklySchedule>(services, stored);
    } else {
        schedule = std::make_unique<IntervalSchedule>(services, stored);
    }
    // As stored, although a schedule that does not keep it has recomputed
    // it: the section was read before.
    if (!storedNextRun.Parse(stored.View(keys::NEXT_AT))) storedNextRun = DateTime(0.0, DateTimeStatus::invalid);

    // The last run; a file that never held these keys (or a text that is
    // not a date) reads as a task that never ran.
    const std::string_view lastRunText = stored.View(keys::LAST_RUN);
    lastRun.Parse(lastRunText);
    if (lastRun.IsValid()) {
        lastResult = stored.ReadString(keys::LAST_RESULT);
    } else {
        lastRun = DateTime(0.0, DateTimeStatus::invalid);
        // A moment beyond what a date can hold (31-Dec-9999 12:00) still
        // had a run: its outcome is kept, and both are saved as they are.
        if (!lastRunText.empty()) {
            unreadLastRun = lastRunText;
            lastResult = stored.ReadString(keys::LAST_RESULT);
        }
    }
    ifStillRunning = ParseIfStillRunning(stored.ReadString(keys::IF_STILL_RUNNING));
    stopAfterMinutes = ParseStopAfter(stored.ReadString(keys::STOP_AFTER));
    if (!runStart.Parse(stored.View(keys::RUNNING_SINCE))) runStart = DateTime(0.0, DateTimeStatus::invalid);
}

Task::Task(const CoreServices& services, std::string title, int disabled)
    : services(services),
      action(std::make_unique<MessageBoxAction>(services, std::string(MessageBoxAction::DEFAULT_TEXT))),
      schedule(std::make_unique<DailySchedule>(services)),
      title(std::move(title)),
      disabled(disabled),
      ifStillRunning(IfStillRunning::skip) {}

Task::~Task() {
    action.reset();
    schedule.reset();
}

bool Task::AdvanceIfDue(int checkPeriod) {
    if (disabled != 0 || !schedule) return false;
    // A next run that could not be computed (the local time was unavailable)
    // is computed again once the time is known, without running the task.
    if (!schedule->GetNextRun().IsValid()) {
        schedule->UpdateNextRun();
        return false;
    }
    if (!schedule->IsDue()) return false;
    const DateTime due = schedule->GetNextRun();
    // Advance and store first, so that an action that fails or waits in a
    // message box never runs the same occurrence twice. A task without an
    // action (an unknown "Task" letter in the file) just moves on.
    schedule->UpdateNextRun();
    if (!action) return false;
    if (SkipsNow()) {
        skipped = SkippedText(programs.back().start);
        return false;
    }
    const DateTime now = DateTime::Now(services.clock);
    runNote = RanLate(due, now, checkPeriod) ? LateNote(due) : std::string();
    RecordRunStart();
    return true;
}

std::string Task::TakeSkipped() { return std::exchange(skipped, std::string()); }

bool Task::SkipsNow() const { return ifStillRunning == IfStillRunning::skip && !programs.empty(); }

void Task::MarkRunNow() {
    runNote.clear();
    if (action) RecordRunStart();
}

std::vector<std::uint64_t> Task::GetRunningPrograms() const {
    std::vector<std::uint64_t> runs;
    for (const Program& program : programs) runs.push_back(program.run);
    return runs;
}

bool Task::IsRunningProgram(std::uint64_t run) const {
    for (const Program& program : programs)
        if (program.run == run) return true;
    return false;
}

void Task::RecordRunStart() {
    const DateTime now = DateTime::Now(services.clock);
    if (!now.IsValid() || !schedule) return;
    runStart = now;
    // With the next run, in the same replacement of the file; the last
    // finished run and its outcome stay readable meanwhile.
    const std::string& section = schedule->GetSectionName();
    if (section.empty()) return;  // never saved: Save writes it
    services.store.WriteString(section, keys::RUNNING_SINCE, runStart.Format(Schedule::NEXT_RUN_FORMAT));
}

void Task::RecordFinished(std::string result) { RecordEnded(runStart, std::move(result)); }

void Task::RecordEnded(const DateTime& start, std::string result) {
    lastResult = std::move(result);
    if (start.IsValid()) {
        lastRun = start;
        unreadLastRun.clear();
    }
    // A copy started earlier or later may still run: it is the run going on.
    runStart = programs.empty() ? DateTime(0.0, DateTimeStatus::invalid) : programs.back().start;
    if (!schedule || !lastRun.IsValid() || schedule->GetSectionName().empty()) return;
    const std::string& section = schedule->GetSectionName();
    services.store.WriteStringDeferred(section, keys::LAST_RUN, lastRun.Format(Schedule::NEXT_RUN_FORMAT));
    services.store.WriteStringDeferred(section, keys::LAST_RESULT, lastResult);
    services.store.WriteStringDeferred(section, keys::RUNNING_SINCE,
                                       runStart.IsValid() ? runStart.Format(Schedule::NEXT_RUN_FORMAT) : "");
}

std::optional<MissedRuns> Task::RecordMissedRuns() {
    const DateTime stored = std::exchange(storedNextRun, DateTime(0.0, DateTimeStatus::invalid));
    if (disabled != 0 || !schedule || !action) return std::nullopt;
    std::optional<MissedRuns> missed = FindMissedRuns(stored, *schedule, DateTime::Now(services.clock));
    // Only news later than the last run becomes the task's outcome.
    if (missed && (!lastRun.IsValid() || lastRun < missed->last)) RecordEnded(missed->last, MissedText(*missed));
    return missed;
}

bool Task::SettleInterruptedRun() {
    if (!programs.empty()) return false;
    if (!runStart.IsValid()) {
        if (!lastRun.IsValid() || lastResult.rfind("running since ", 0) != 0) return false;
        runStart = lastRun;
    }
    RecordFinished(OUTCOME_ENDED_UNEXPECTEDLY);
    return true;
}

std::optional<StartFailure> Task::RunAction(const std::string& outputPath) {
    if (!action) return std::nullopt;
    const std::string note = std::exchange(runNote, std::string());
    if (action->GetKind() != Action::KIND_RUN_APPLICATION) {
        RecordFinished(RESULT_MESSAGE_SHOWN + note);
        // The task may be removed while the box is open: only the action,
        // which keeps what it needs on the stack, is touched from here on.
        action->Run();
        return std::nullopt;
    }
    const auto& program = static_cast<const RunApplicationAction&>(*action);
    LaunchResult launched = program.Launch(outputPath);
    if (launched.started) {
        outputProblem = launched.outputProblem;
        const std::string discarded = outputProblem.empty() ? "" : OutputDiscardedText(outputProblem);
        // A kept program stays the run going on until its end is known.
        if (launched.run != 0) programs.push_back(Program{launched.run, runStart, note + discarded});
        else RecordFinished(RESULT_STARTED + note + discarded);
        return std::nullopt;
    }
    const std::string result = RESULT_NOT_STARTED + launched.reason;
    const bool repeated = lastResult == result || lastResult.rfind(result + "; ", 0) == 0;
    RecordFinished(result + note);
    return StartFailure{title, program.GetCommandLine(), launched.reason, repeated};
}

std::optional<StartFailure> Task::RecordProgramEnd(const ProgramEnd& end, StopReason stopped) {
    auto found = programs.begin();
    while (found != programs.end() && found->run != end.run) ++found;
    if (end.run == 0 || found == programs.end()) return std::nullopt;
    const Program ended = *found;
    programs.erase(found);
    const std::string outcome = StoppedOutcome(stopped, end);
    // Against the run that ended before this one, not one still going.
    const bool repeated = OutcomeWithoutDuration(lastResult) == OutcomeWithoutDuration(outcome);
    RecordEnded(ended.start, outcome + ended.note);
    if (!EndTellsFailure(stopped, end)) return std::nullopt;
    const auto* program = dynamic_cast<const RunApplicationAction*>(action.get());
    return StartFailure{title, program != nullptr ? program->GetCommandLine() : std::string(), outcome, repeated, true};
}

void Task::RecordStillRunning() {
    if (programs.empty()) return;
    // The latest copy is the one the task's line and file tell of.
    const Program latest = programs.back();
    programs.clear();
    RecordEnded(latest.start, OUTCOME_STILL_RUNNING + latest.note);
}

std::optional<StartFailure> Task::CheckAndRun() {
    if (!AdvanceIfDue()) return std::nullopt;
    return RunAction();
}

void Task::Save(const std::string& section) {
    services.store.WriteString(section, keys::TITLE, title);
    services.store.WriteInt(section, keys::DISABLED, disabled);
    if (action) {
        action->Save(section);
    } else {
        services.store.WriteString(section, keys::TASK, actionlessKind);
    }
    if (schedule) schedule->Save(section);
    // The last run moves with the task. A task that never ran clears what
    // a former occupant of the section left; a section that never held the
    // keys is left without them.
    if (lastRun.IsValid() || !unreadLastRun.empty()) {
        services.store.WriteString(section, keys::LAST_RUN,
                                   lastRun.IsValid() ? lastRun.Format(Schedule::NEXT_RUN_FORMAT) : unreadLastRun);
        services.store.WriteString(section, keys::LAST_RESULT, lastResult);
    } else if (services.store.HasKey(section, keys::LAST_RUN) || services.store.HasKey(section, keys::LAST_RESULT)) {
        services.store.WriteString(section, keys::LAST_RUN, "");
        services.store.WriteString(section, keys::LAST_RESULT, "");
    }
    services.store.WriteString(section, keys::IF_STILL_RUNNING, IfStillRunningText(ifStillRunning));
    services.store.WriteString(section, keys::STOP_AFTER, StopAfterText(stopAfterMinutes));
    if (runStart.IsValid()) {
        services.store.WriteString(section, keys::RUNNING_SINCE, runStart.Format(Schedule::NEXT_RUN_FORMAT));
    } else if (services.store.HasKey(section, keys::RUNNING_SINCE)) {
        services.store.WriteString(section, keys::RUNNING_SINCE, "");
    }
}

void Task::SetSchedule(std::unique_ptr<Schedule> newSchedule) { schedule = std::move(newSchedule); }

void Task::SetAction(std::unique_ptr<Action> newAction) { action = std::move(newAction); }

}  // namespace tikr
