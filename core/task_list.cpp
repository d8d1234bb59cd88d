#include "core/task_list.h"

#include <cmath>

#include "core/profile_keys.h"
#include "core/run_outcome.h"
#include "store/profile_store.h"

namespace tikr {

namespace {

// More task sections than anyone schedules by hand; a "NumApps" beyond it
// can only come from a damaged file and would otherwise make the load
// build billions of default tasks.
constexpr int MAX_TASKS = 100000;

}  // namespace

std::string TaskSectionName(int index) { return keys::TASK_SECTION_PREFIX + std::to_string(index + 1); }

TaskList::TaskList(const CoreServices& services) : services(services) {}

TaskList::~TaskList() {
    // Tasks go in index order.
    for (auto& task : tasks) task.reset();
}

void TaskList::Load() {
    // One batch: the reads see one state of the file, and the next-run
    // times that loading stores land in one write.
    ProfileStore::Batch batch(services.store);
    const int count = StoredCount(services.store);
    tasks.clear();
    if (count <= 0) return;
    tasks.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        tasks.push_back(std::make_unique<Task>(services, TaskSectionName(i)));
    }
    batch.Commit();
}

int TaskList::StoredCount(ProfileStore& store) {
    const int count = store.ReadInt(keys::SETTINGS_SECTION_READ, keys::NUM_APPS, 0);
    return count > MAX_TASKS ? MAX_TASKS : count;
}

void TaskList::LoadAheadOfKept() {
    std::vector<std::unique_ptr<Task>> kept = std::move(tasks);
    Load();
    for (auto& task : kept) tasks.push_back(std::move(task));
}

bool TaskList::Save(int index) {
    if (index != ALL_TASKS && GetTask(index) == nullptr) return false;
    // The count and the sections are written as one replacement of the
    // file, so a crash can never leave a count that names unwritten
    // sections.
    ProfileStore::Batch batch(services.store);
    if (index == ALL_TASKS) {
        services.store.WriteInt(keys::SETTINGS_SECTION_WRITTEN, keys::NUM_APPS, GetCount());
        for (int i = 0; i < GetCount(); ++i) tasks[static_cast<std::size_t>(i)]->Save(TaskSectionName(i));
    } else {
        tasks[static_cast<std::size_t>(index)]->Save(TaskSectionName(index));
    }
    return batch.Commit();
}

void TaskList::RemoveTask(int index) {
    if (GetTask(index) == nullptr) return;
    tasks.erase(tasks.begin() + index);
}

void TaskList::Append(std::unique_ptr<Task> task) {
    if (task) tasks.push_back(std::move(task));
}

void TaskList::CheckAll() {
    // Every due task's next run is stored before its action starts, yet a
    // file replacement per task would make a tick with many due tasks very
    // slow. So the pass goes in rounds: advance the due tasks (in one store
    // batch) up to and including the next whose action may wait in a
    // message box, store them in one replacement, then run their actions
    // in list order. A box's nested pass then still finds the later tasks
    // due and runs them; this pass later finds them no longer due.
    if (runRecords != nullptr) runRecords->KeepOutputWithinLimits();
    StopOverdueRuns();
    const int count = GetCount();
    std::vector<Task*> toRun;
    int i = 0;
    // A box's wait also ends when the program ends; the pass then stops
    // before advancing anything more.
    while (!stopped && i < count && i < GetCount()) {
        toRun.clear();
        {
            ProfileStore::Batch batch(services.store);
            // An action may wait in a message box while the user removes
            // tasks; each round looks the elements up afresh and stops at
            // the current end.
            for (; i < count && i < GetCount(); ++i) {
                Task* task = tasks[static_cast<std::size_t>(i)].get();
                if (!task->AdvanceIfDue(checkPeriod)) {
                    NoteSkipped(*task, task->TakeSkipped());
                    continue;
                }
                toRun.push_back(task);
                if (task->GetAction()->GetKind() == Action::KIND_MESSAGE_BOX) {
                    ++i;
                    break;
                }
            }
            batch.Commit();
        }
        // Only the last action can wait and let the list change; the ones
        // before it start their programs and return at once, so their
        // tasks are still there to record the outcome.
        for (Task* task : toRun) {
            if (stopped) break;
            Run(*task);
        }
    }
}

bool TaskList::RunNow(int index) {
    Task* task = GetTask(index);
    if (stopped || task == nullptr || task->GetAction() == nullptr) return false;
    // The task's choice for a run still going holds for Run Now too.
    if (task->SkipsNow()) {
        NoteSkipped(*task, SkippedText(task->GetRunningSince()));
        return true;
    }
    {
        ProfileStore::Batch batch(services.store);
        task->MarkRunNow();
        batch.Commit();
    }
    Run(*task, true);
    return true;
}

void TaskList::Run(Task& task, bool asked) {
    // A program action returns at once, so the task is still there after
    // it; a message action may wait in its box while the task is removed,
    // so nothing of the task is touched after it.
    const bool program = task.GetAction() != nullptr && task.GetAction()->GetKind() == Action::KIND_RUN_APPLICATION;
    const std::uint64_t before = task.GetRunningProgram();
    std::string outputFile;
    if (program && runRecords != nullptr)
        outputFile = runRecords->NewOutputFile(task.GetRunningSince(), task.GetTitle());
    const std::string commandLine =
        program ? static_cast<const RunApplicationAction&>(*task.GetAction()).GetCommandLine() : std::string();
    RunningProgram record{task.GetTitle(),   commandLine,         task.GetRunningSince(), asked, outputFile, {},
                          task.GetRunNote(), task.GetStopAfter(), StopReason::none};
    if (program && task.GetIfStillRunning() == IfStillRunning::restart) StopForRestart(task);
    // A message has its line before the box opens (the task may be gone
    // when it closes), with the outcome its task line shows.
    if (!program) AppendHistory(record, Task::RESULT_MESSAGE_SHOWN + record.note, 0);
    std::optional<StartFailure> failure = task.RunAction(outputFile);
    if (!failure && program) {
        const std::uint64_t run = task.GetRunningProgram();
        record.outputProblem = task.GetOutputProblem();
        // Output discarded: there is no file to offer or to keep.
        if (!record.outputProblem.empty() && !outputFile.empty()) {
            runRecords->RunEnded(outputFile);
            record.outputFile.clear();
        }
        if (run != 0 && run != before) running[run] = record;
        else if (!record.outputFile.empty()) runRecords->RunEnded(record.outputFile);  // an end that is not heard
    }
    if (!failure) return;
    if (program) {
        // A program that never ran wrote nothing: no empty file is kept.
        if (!outputFile.empty()) {
            runRecords->RunEnded(outputFile);
            runRecords->RemoveIfEmpty(outputFile);
        }
        record.outputFile.clear();
        AppendHistory(record, task.GetLastResult(), 0);
    }
    // A run the user asked for is news however the last one went.
    if (asked) failure->repeated = false;
    if (onStartFailure) onStartFailure(*failure);
}

void TaskList::OnProgramEnded(const ProgramEnd& end) {
    const auto found = running.find(end.run);
    if (found == running.end()) return;
    RunningProgram program = found->second;
    running.erase(found);
    std::string outputNote = program.outputProblem.empty() ? "" : OutputDiscardedText(program.outputProblem);
    if (runRecords != nullptr && !program.outputFile.empty()) {
        if (runRecords->RunEnded(program.outputFile)) outputNote += OUTPUT_CUT_TEXT;
        // A program that wrote nothing (a window's program, say) has no
        // file to offer.
        if (runRecords->RemoveIfEmpty(program.outputFile)) {
            program.outputFile.clear();
            outputNote += NO_OUTPUT_TEXT;
        }
    }
    AppendHistory(program, StoppedOutcome(program.stop, end) + program.note + outputNote, end.seconds);
    std::optional<StartFailure> failure;
    bool recorded = false;
    for (auto& task : tasks) {
        if (!task->IsRunningProgram(end.run)) continue;
        failure = task->RecordProgramEnd(end, program.stop);
        recorded = true;
        break;
    }
    if (!recorded && EndTellsFailure(program.stop, end))
        failure = StartFailure{program.title, program.commandLine, StoppedOutcome(program.stop, end), true, true};
    if (!failure) return;
    if (program.asked) failure->repeated = false;
    if (onStartFailure) onStartFailure(*failure);
}

void TaskList::RecordStillRunning() {
    for (auto& task : tasks) task->RecordStillRunning();
    const DateTime now = DateTime::Now(services.clock);
    for (const auto& [run, program] : running) {
        const double days = now.GetDayNumber() - program.start.GetDayNumber();
        const std::string discarded = program.outputProblem.empty() ? "" : OutputDiscardedText(program.outputProblem);
        AppendHistory(program, OUTCOME_STILL_RUNNING + discarded, now.IsValid() ? std::llround(days * 86400.0) : 0);
    }
    running.clear();
}

bool TaskList::SettleInterruptedRuns() {
    for (auto& task : tasks) {
        // Its history line too, which the ended scheduler could not write.
        if (task->SettleInterruptedRun())
            AppendHistory(RunningProgram{task->GetTitle(), {}, task->GetLastRun(), false, {}, {}, {}, 0, {}},
                          OUTCOME_ENDED_UNEXPECTEDLY, 0);
    }
    NoteMissedRuns();
    return services.store.SaveDeferred();
}

void TaskList::AppendHistory(const RunningProgram& program, const std::string& outcome, long long seconds) {
    if (runRecords == nullptr) return;
    runRecords->Append(RunRecord{program.start, program.title, outcome, seconds, program.outputFile});
}

Task* TaskList::GetTask(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return tasks[static_cast<std::size_t>(index)].get();
}

}  // namespace tikr
