#pragma once
// The ordered list of all tasks. The task at index i lives in the profile
// section "App%d" with i + 1; the count is "NumApps" in "Settings".
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/core_services.h"
#include "core/run_records.h"
#include "core/task.h"

namespace tikr {

constexpr int ALL_TASKS = -1;

// "App%d" with index + 1.
std::string TaskSectionName(int index);

class TaskList {
public:
    explicit TaskList(const CoreServices& services);
    ~TaskList();
    TaskList(const TaskList&) = delete;
    TaskList& operator=(const TaskList&) = delete;

    // Fills the list from the store ("NumApps" sections).
    void Load();
    // How many task sections the store names ("NumApps"), held to what a
    // list allows: a damaged count never makes billions of tasks.
    static int StoredCount(ProfileStore& store);
    // Loads the store's tasks and puts the tasks now in the list after
    // them, in their order: the tasks added while the file could not be
    // read join the file's, never take their places. The caller saves the
    // whole list.
    void LoadAheadOfKept();
    // ALL_TASKS: the count and every task, as one replacement of the file;
    // an index: that task's section only. False when the file could not be
    // written.
    bool Save(int index);
    // Deletes the task at a valid index and closes the gap; an invalid
    // index does nothing.
    void RemoveTask(int index);
    void Append(std::unique_ptr<Task> task);
    // One check pass over the tasks present at its start, in list order.
    // Safe against passes nested inside a message box and against removals
    // made while a pass waits: it never visits an index at or beyond the
    // current count.
    void CheckAll();
    // Runs the task's action now, as a due run would, whether or not the
    // task is enabled; its next run stays as it is, the last run and its
    // outcome are recorded. A program it cannot start is always reported
    // as news, never as a repeated failure. False for an invalid index or a
    // task without an action.
    bool RunNow(int index);
    // The program ends: a pass waiting in a message box goes no further
    // once the box returns, and no later pass or Run Now starts. Tasks not
    // yet reached keep their next runs, untouched.
    void StopChecks() { stopped = true; }
    bool IsStopped() const { return stopped; }

    // A program a run started has ended (the launcher's end handler): its
    // task records the outcome, and an end in failure (non-zero status,
    // signal) reaches the failure handler as a failed start does: once per
    // same failure of scheduled runs, always after Run Now. The end of a run
    // that is no longer its task's last (the task ran again meanwhile, or
    // was removed) leaves the task as it is; its failure still reaches the
    // handler, as repeated unless the run was asked for.
    void OnProgramEnded(const ProgramEnd& end);
    // The scheduler ends: every program still running is recorded as such;
    // programs are left running.
    void RecordStillRunning();
    // At a scheduler's start, after loading: the runs the file holds as
    // going on were left by a scheduler that ended without recording them
    // (Task::SettleInterruptedRun). Their outcomes are written at once, and
    // their lines added to the history; false when that write failed.
    bool SettleInterruptedRuns();
    // Where runs keep their output and their history; none: programs keep
    // the launcher's output and no history is written.
    void SetRunRecords(RunRecords* records) { runRecords = records; }
    RunRecords* GetRunRecords() const { return runRecords; }

    // The check period in seconds: a run made later than this after its
    // due moment says that it ran late.
    void SetCheckPeriod(int seconds) { checkPeriod = seconds; }

    // Programs started and not yet ended.
    std::size_t RunningPrograms() const { return running.size(); }

    // Hears of every program a run could not start (replacing an earlier
    // handler), after its outcome is recorded and before the pass goes on.
    void SetStartFailureHandler(std::function<void(const StartFailure&)> handler) {
        onStartFailure = std::move(handler);
    }

    int GetCount() const { return static_cast<int>(tasks.size()); }
    Task* GetTask(int index) const;  // null for an invalid index

private:
    const CoreServices& services;
    std::vector<std::unique_ptr<Task>> tasks;
    std::function<void(const StartFailure&)> onStartFailure;
    // What is known of each running program, by the launcher's run: its
    // task may be removed or renamed before it ends.
    struct RunningProgram {
        std::string title;
        std::string commandLine;
        DateTime start;
        bool asked = false;  // Run Now
        std::string outputFile;
        std::string outputProblem;
        std::string note;                    // "; ran late: ..." for its outcome
        int stopAfterMinutes = 0;            // its task's limit when it started; 0: none
        StopReason stop = StopReason::none;  // why it is being ended
    };
    int checkPeriod = 10;
    RunRecords* runRecords = nullptr;

    void AppendHistory(const RunningProgram& program, const std::string& outcome, long long seconds);
    std::map<std::uint64_t, RunningProgram> running;
    bool stopped = false;

    void Run(Task& task, bool asked = false);
    // The rules for runs that overlap, hang or were missed (in
    // task_list_overlap.cpp).
    // Ends the programs that ran beyond their task's time limit.
    void StopOverdueRuns();
    // Ends the task's running programs before it starts again.
    void StopForRestart(const Task& task);
    // The history's line of a due run or Run Now skipped (text empty:
    // none was).
    void NoteSkipped(const Task& task, const std::string& text);
    // At a scheduler's start: the history's lines of the runs missed while
    // none ran.
    void NoteMissedRuns();
};

}  // namespace tikr
