#pragma once
// The ordered list of all tasks. The task at index i lives in the profile
// section "App%d" with i + 1; the count is "NumApps" in "Settings".
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/core_services.h"
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
    // No check pass runs or goes on from now: the program ends (Escape, the
    // end of the session), maybe while a pass waits in a message box, and
    // no task after the box may start then.
    void EndChecks() { checksEnded = true; }
    // Runs the task's action now, as a due run would, whether or not the
    // task is enabled; its next run stays as it is, the last run and its
    // outcome are recorded. False for an invalid index or a task without
    // an action.
    bool RunNow(int index);

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
    bool checksEnded = false;

    void Run(Task& task);
};

}  // namespace tikr
