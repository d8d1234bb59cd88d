#include "core/task_list.h"

#include "core/profile_keys.h"
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
    int count = services.store.ReadInt(keys::SETTINGS_SECTION_READ, keys::NUM_APPS, 0);
    if (count > MAX_TASKS) count = MAX_TASKS;
    tasks.clear();
    if (count <= 0) return;
    tasks.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        tasks.push_back(std::make_unique<Task>(services, TaskSectionName(i)));
    }
    batch.Commit();
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
                if (!task->AdvanceIfDue()) continue;
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
    {
        ProfileStore::Batch batch(services.store);
        task->MarkRunNow();
        batch.Commit();
    }
    Run(*task, true);
    return true;
}

void TaskList::Run(Task& task, bool asked) {
    std::optional<StartFailure> failure = task.RunAction();
    if (!failure) return;
    // A run the user asked for is news however the last one went.
    if (asked) failure->repeated = false;
    if (onStartFailure) onStartFailure(*failure);
}

Task* TaskList::GetTask(int index) const {
    if (index < 0 || index >= GetCount()) return nullptr;
    return tasks[static_cast<std::size_t>(index)].get();
}

}  // namespace tikr
