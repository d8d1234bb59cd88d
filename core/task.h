#pragma once
// A task: a title and a disabled flag bound to one schedule and one action,
// stored in its profile section "App%d".
#include <memory>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/action.h"
#include "core/core_services.h"
#include "core/date_time.h"
#include "core/missed_runs.h"
#include "core/overlap_rules.h"
#include "core/schedule.h"

namespace tikr {

// A program that a run could not start, or that ended with a non-zero
// status or by a signal, as a task list reports it.
struct StartFailure {
    std::string title;        // the task's
    std::string commandLine;  // as stored
    std::string reason;       // why, in words; for an end, its outcome
    // A scheduled run, and the task's run before it failed the same way:
    // not news. Never set for a run the user asked for.
    bool repeated = false;
    bool ended = false;  // the program started and ended in failure
};

class Task {
public:
    // Loads the task from the section (defaults for missing keys). A "Task"
    // letter other than A or M leaves the task without an action.
    Task(const CoreServices& services, const std::string& section);
    // A new task: a default daily schedule, the message "Message", and a
    // due run skipped while the last one still runs.
    Task(const CoreServices& services, std::string title, int disabled);
    ~Task();
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;

    // The outcomes stored in "LastResult".
    static constexpr const char* RESULT_STARTED = "started";
    static constexpr const char* RESULT_NOT_STARTED = "could not start: ";  // + the reason
    static constexpr const char* RESULT_MESSAGE_SHOWN = "message shown";

    // One periodic check: when enabled and due, advance and store the next
    // run, then run the action. Touches nothing of the task after a message
    // box has opened, since the box lets the user remove the task meanwhile.
    // A program that could not start is returned.
    std::optional<StartFailure> CheckAndRun();
    // The first half of a check: when the task is enabled and due, advances
    // its next run and stores it with the moment of this run as the run
    // going on ("RunningSince"; the last finished run and its outcome stay
    // as they are), and returns true when there is an action to run now.
    // The caller stores this in one file replacement and then calls
    // RunAction.
    //
    // A due run of a task whose program still runs and that skips then
    // only advances: TakeSkipped gives its outcome. A run made more than
    // checkPeriod seconds after its due moment says so in its outcome.
    bool AdvanceIfDue(int checkPeriod = 10);
    // The outcome of the due run AdvanceIfDue skipped last ("skipped: still
    // running since 09:00:00"), once; empty when none was.
    std::string TakeSkipped();
    // A due run or Run Now now is skipped: the task skips while its program
    // still runs, and one does.
    bool SkipsNow() const;
    // The note of the run AdvanceIfDue found due, for its outcome ("; ran
    // late: due 08:00:00"); empty when it is on time.
    const std::string& GetRunNote() const { return runNote; }
    // Records this moment as the run going on (as AdvanceIfDue does,
    // without touching the next run): a run the user asked for.
    void MarkRunNow();
    // The second half: runs the action and, once it is over, records the
    // run as the last one ("LastRun", "LastResult") and clears the run
    // going on, written with the file's next replacement. A message action
    // records "message shown" before its box opens; nothing of the task is
    // touched once it is open. A program that could not start is returned.
    //
    // A program the launcher keeps stays the run going on (GetRunningSince)
    // until its end is recorded by RecordProgramEnd; its output goes to
    // outputPath when one is given.
    std::optional<StartFailure> RunAction(const std::string& outputPath = {});
    // The launcher's run of the program this task started last and that
    // has not ended yet; 0 when none.
    std::uint64_t GetRunningProgram() const { return programs.empty() ? 0 : programs.back().run; }
    // Every run of the task's programs still going, oldest first.
    std::vector<std::uint64_t> GetRunningPrograms() const;
    bool IsRunningProgram(std::uint64_t run) const;
    // Why the running program's output is discarded; empty when it is not.
    const std::string& GetOutputProblem() const { return outputProblem; }
    // The end of the task's running program becomes its outcome ("exited
    // with status 2 after 41 s"), written with the file's next replacement.
    // An end that fails (non-zero status, signal) is returned, marked
    // repeated when the run that ended before it ended the same way. The
    // end of an earlier run than the running one is recorded as well (the
    // run going on stays). A run the scheduler stopped says why (restart:
    // not told as a failure; time limit: told).
    std::optional<StartFailure> RecordProgramEnd(const ProgramEnd& end, StopReason stopped = StopReason::none);
    // At a scheduler's start: the runs this task missed while none ran
    // become its last outcome, when they are later than its last run.
    // What it missed, once; nothing when it missed none.
    std::optional<MissedRuns> RecordMissedRuns();
    // The scheduler ends while the program runs: "still running when Tikr
    // ended". Nothing for a task without a running program.
    void RecordStillRunning();
    // At a scheduler's start: a run the file holds as going on (or, from an
    // older version, a "running since" outcome) was left by a scheduler
    // that ended without recording it, and becomes the last run with
    // OUTCOME_ENDED_UNEXPECTEDLY, written with the file's next replacement.
    // True when there was such a run.
    bool SettleInterruptedRun();
    // Writes the title, the flag, the action's and the schedule's keys and
    // the last run with its outcome, all as they are in memory: saving never
    // moves the next run.
    void Save(const std::string& section);

    void SetSchedule(std::unique_ptr<Schedule> newSchedule);
    void SetAction(std::unique_ptr<Action> newAction);
    void SetTitle(std::string text) { title = std::move(text); }
    void SetDisabled(bool flag) { disabled = flag ? 1 : 0; }
    void SetIfStillRunning(IfStillRunning choice) { ifStillRunning = choice; }
    void SetStopAfter(int minutes) { stopAfterMinutes = minutes; }

    const std::string& GetTitle() const { return title; }
    bool IsDisabled() const { return disabled != 0; }
    Schedule* GetSchedule() const { return schedule.get(); }
    Action* GetAction() const { return action.get(); }  // may be null
    IfStillRunning GetIfStillRunning() const { return ifStillRunning; }
    int GetStopAfter() const { return stopAfterMinutes; }  // minutes; 0: no limit
    // The next run the file held when the task was loaded (invalid when
    // none was readable, or for a task not loaded).
    const DateTime& GetStoredNextRun() const { return storedNextRun; }
    // The start of the last finished run, invalid when the task never ran,
    // and what came of it.
    const DateTime& GetLastRun() const { return lastRun; }
    const std::string& GetLastResult() const { return lastResult; }
    // The start of the run going on; invalid when none is. As loaded, the
    // run that the scheduler writing the file had going on.
    const DateTime& GetRunningSince() const { return runStart; }

private:
    const CoreServices& services;
    std::unique_ptr<Action> action;
    std::unique_ptr<Schedule> schedule;
    std::string title;
    int disabled = 0;
    // The "Task" value of a task loaded without an action.
    std::string actionlessKind;
    DateTime lastRun{0.0, DateTimeStatus::invalid};
    std::string lastResult;
    std::string unreadLastRun;                        // a stored last run that is no date it can hold
    DateTime runStart{0.0, DateTimeStatus::invalid};  // the run going on
    std::string outputProblem;                        // why the running program's output is discarded
    IfStillRunning ifStillRunning = IfStillRunning::start;
    int stopAfterMinutes = 0;
    DateTime storedNextRun{0.0, DateTimeStatus::invalid};
    std::string runNote;  // of the run starting: "; ran late: due ..."
    std::string skipped;  // the outcome of the last skipped due run
    // The task's programs still running, oldest first.
    struct Program {
        std::uint64_t run = 0;
        DateTime start;
        std::string note;  // the run's note and its output problem
    };
    std::vector<Program> programs;

    void RecordRunStart();
    // The run going on is over with the outcome: it becomes the last run.
    void RecordFinished(std::string result);
    // A run that started at start is over with the outcome.
    void RecordEnded(const DateTime& start, std::string result);
};

}  // namespace tikr
