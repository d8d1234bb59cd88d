#include "core/task.h"

#include "core/process_launcher.h"
#include "core/profile_keys.h"
#include "core/run_outcome.h"
#include "store/ascii_text.h"
#include "store/profile_store.h"

namespace tikr {

Task::Task(const CoreServices& services, const std::string& section) : services(services) {
    ProfileStore& store = services.store;
    title = store.ReadString(section, keys::TITLE, section);
    disabled = store.ReadInt(section, keys::DISABLED, 0);

    // The action's kind is the first letter of "Task", in either case.
    const std::string kind = store.ReadString(section, keys::TASK, "A");
    const char actionLetter = kind.empty() ? '\0' : UpperAscii(kind[0]);
    if (actionLetter == 'A') {
        action = std::make_unique<RunApplicationAction>(services, section);
    } else if (actionLetter == 'M') {
        action = std::make_unique<MessageBoxAction>(services, FromSection{section});
    } else {
        // No action: the value is kept so that saving writes it back.
        // Otherwise a section the task moves into would keep another
        // task's "Task" line, and its action, for the next load.
        actionlessKind = kind;
    }

    // The schedule's kind is the first letter of "type"; anything else is
    // a regular interval.
    const std::string type = store.ReadString(section, keys::TYPE, "I");
    const char scheduleLetter = type.empty() ? '\0' : type[0];
    if (scheduleLetter == 'D' || scheduleLetter == 'd') {
        schedule = std::make_unique<DailySchedule>(services, section);
    } else if (scheduleLetter == 'M' || scheduleLetter == 'm') {
        schedule = std::make_unique<MonthlySchedule>(services, section);
    } else if (scheduleLetter == 'W' || scheduleLetter == 'w') {
        schedule = std::make_unique<WeeklySchedule>(services, section);
    } else {
        schedule = std::make_unique<IntervalSchedule>(services, section);
    }

    // The last run; a file that never held these keys (or a text that is
    // not a date) reads as a task that never ran.
    const std::string lastRunText = store.ReadString(section, keys::LAST_RUN);
    lastRun.Parse(lastRunText);
    if (lastRun.IsValid()) {
        lastResult = store.ReadString(section, keys::LAST_RESULT);
    } else {
        lastRun = DateTime(0.0, DateTimeStatus::invalid);
        // A moment beyond what a date can hold (31-Dec-9999 12:00) still
        // had a run: its outcome is kept, and both are saved as they are.
        if (!lastRunText.empty()) {
            unreadLastRun = lastRunText;
            lastResult = store.ReadString(section, keys::LAST_RESULT);
        }
    }
    if (!runStart.Parse(store.ReadString(section, keys::RUNNING_SINCE)))
        runStart = DateTime(0.0, DateTimeStatus::invalid);
}

Task::Task(const CoreServices& services, std::string title, int disabled)
    : services(services),
      action(std::make_unique<MessageBoxAction>(services, std::string(MessageBoxAction::DEFAULT_TEXT))),
      schedule(std::make_unique<DailySchedule>(services)),
      title(std::move(title)),
      disabled(disabled) {}

Task::~Task() {
    action.reset();
    schedule.reset();
}

bool Task::AdvanceIfDue() {
    if (disabled != 0 || !schedule) return false;
    // A next run that could not be computed (the local time was unavailable)
    // is computed again once the time is known, without running the task.
    if (!schedule->GetNextRun().IsValid()) {
        schedule->UpdateNextRun();
        return false;
    }
    if (!schedule->IsDue()) return false;
    // Advance and store first, so that an action that fails or waits in a
    // message box never runs the same occurrence twice. A task without an
    // action (an unknown "Task" letter in the file) just moves on.
    schedule->UpdateNextRun();
    if (!action) return false;
    RecordRunStart();
    return true;
}

void Task::MarkRunNow() {
    if (action) RecordRunStart();
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

void Task::RecordFinished(std::string result) {
    lastResult = std::move(result);
    if (runStart.IsValid()) {
        lastRun = runStart;
        unreadLastRun.clear();
    }
    runStart = DateTime(0.0, DateTimeStatus::invalid);
    if (!schedule || !lastRun.IsValid() || schedule->GetSectionName().empty()) return;
    const std::string& section = schedule->GetSectionName();
    services.store.WriteStringDeferred(section, keys::LAST_RUN, lastRun.Format(Schedule::NEXT_RUN_FORMAT));
    services.store.WriteStringDeferred(section, keys::LAST_RESULT, lastResult);
    services.store.WriteStringDeferred(section, keys::RUNNING_SINCE, "");
}

bool Task::SettleInterruptedRun() {
    if (runningProgram != 0) return false;
    if (!runStart.IsValid()) {
        if (!lastRun.IsValid() || lastResult.rfind("running since ", 0) != 0) return false;
        runStart = lastRun;
    }
    RecordFinished(OUTCOME_ENDED_UNEXPECTEDLY);
    return true;
}

std::optional<StartFailure> Task::RunAction(const std::string& outputPath) {
    if (!action) return std::nullopt;
    if (action->GetKind() != Action::KIND_RUN_APPLICATION) {
        RecordFinished(RESULT_MESSAGE_SHOWN);
        // The task may be removed while the box is open: only the action,
        // which keeps what it needs on the stack, is touched from here on.
        action->Run();
        return std::nullopt;
    }
    const auto& program = static_cast<const RunApplicationAction&>(*action);
    LaunchResult launched = program.Launch(outputPath);
    if (launched.started) {
        runningProgram = launched.run;
        outputProblem = launched.outputProblem;
        // A kept program stays the run going on until its end is known.
        if (runningProgram == 0)
            RecordFinished(RESULT_STARTED + (outputProblem.empty() ? "" : OutputDiscardedText(outputProblem)));
        return std::nullopt;
    }
    runningProgram = 0;
    const std::string result = RESULT_NOT_STARTED + launched.reason;
    const bool repeated = lastResult == result;
    RecordFinished(result);
    return StartFailure{title, program.GetCommandLine(), launched.reason, repeated};
}

std::optional<StartFailure> Task::RecordProgramEnd(const ProgramEnd& end) {
    if (end.run == 0 || end.run != runningProgram) return std::nullopt;
    runningProgram = 0;
    const std::string outcome = EndedText(end);
    const bool repeated = OutcomeWithoutDuration(lastResult) == OutcomeWithoutDuration(outcome);
    RecordFinished(outcome + (outputProblem.empty() ? "" : OutputDiscardedText(outputProblem)));
    if (!EndedInFailure(end)) return std::nullopt;
    const auto* program = dynamic_cast<const RunApplicationAction*>(action.get());
    return StartFailure{title, program != nullptr ? program->GetCommandLine() : std::string(), outcome, repeated, true};
}

void Task::RecordStillRunning() {
    if (runningProgram == 0) return;
    runningProgram = 0;
    RecordFinished(OUTCOME_STILL_RUNNING + (outputProblem.empty() ? "" : OutputDiscardedText(outputProblem)));
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
    if (runStart.IsValid()) {
        services.store.WriteString(section, keys::RUNNING_SINCE, runStart.Format(Schedule::NEXT_RUN_FORMAT));
    } else if (services.store.HasKey(section, keys::RUNNING_SINCE)) {
        services.store.WriteString(section, keys::RUNNING_SINCE, "");
    }
}

void Task::SetSchedule(std::unique_ptr<Schedule> newSchedule) { schedule = std::move(newSchedule); }

void Task::SetAction(std::unique_ptr<Action> newAction) { action = std::move(newAction); }

}  // namespace tikr
