// The task list's rules for runs that overlap, hang or were missed.
#include "core/missed_runs.h"
#include "core/task_list.h"

namespace tikr {

void TaskList::StopOverdueRuns() {
    const DateTime now = DateTime::Now(services.clock);
    if (!now.IsValid()) return;
    for (auto& [run, program] : running) {
        if (program.stop != StopReason::none || program.stopAfterMinutes <= 0 || !program.start.IsValid()) continue;
        if (SecondsBetween(program.start, now) < program.stopAfterMinutes * 60LL) continue;
        // Asked to end, and forced a while later; its end comes as any end.
        if (services.launcher.Stop(run)) program.stop = StopReason::timeLimit;
    }
}

void TaskList::StopForRestart(const Task& task) {
    for (const std::uint64_t run : task.GetRunningPrograms()) {
        const auto found = running.find(run);
        if (found == running.end() || found->second.stop != StopReason::none) continue;
        if (services.launcher.Stop(run)) found->second.stop = StopReason::restart;
    }
}

void TaskList::NoteSkipped(const Task& task, const std::string& text) {
    if (text.empty()) return;
    AppendHistory(RunningProgram{task.GetTitle(), {}, DateTime::Now(services.clock), false, {}, {}, {}, 0, {}}, text,
                  0);
}

void TaskList::NoteMissedRuns() {
    for (auto& task : tasks) {
        if (const std::optional<MissedRuns> missed = task->RecordMissedRuns())
            AppendHistory(RunningProgram{task->GetTitle(), {}, missed->first, false, {}, {}, {}, 0, {}},
                          MissedText(*missed), 0);
    }
}

}  // namespace tikr
