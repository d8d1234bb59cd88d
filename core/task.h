#pragma once
// A task: a title and a disabled flag bound to one schedule and one action,
// stored in its profile section "App%d".
#include <memory>
#include <string>

#include "core/action.h"
#include "core/core_services.h"
#include "core/schedule.h"

namespace tikr {

class Task {
public:
    // Loads the task from the section (defaults for missing keys). A "Task"
    // letter other than A or M leaves the task without an action.
    Task(const CoreServices& services, const std::string& section);
    // A new task: a default daily schedule and the message "Message".
    Task(const CoreServices& services, std::string title, int disabled);
    ~Task();
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;

    // One periodic check: when enabled and due, advance and store the next
    // run, then run the action. Touches nothing of the task after the
    // action has started, since a message box lets the user remove the task
    // meanwhile.
    void CheckAndRun();
    // The first half of a check: when the task is enabled and due, advances
    // its next run and stores it, and returns the action to run now (null
    // when there is nothing to run). The caller runs it once the next run
    // is stored.
    Action* AdvanceIfDue();
    // Writes the title, the flag, the action's and the schedule's keys.
    void Save(const std::string& section);

    void SetSchedule(std::unique_ptr<Schedule> newSchedule);
    void SetAction(std::unique_ptr<Action> newAction);
    void SetTitle(std::string text) { title = std::move(text); }
    void SetDisabled(int flag) { disabled = flag; }

    const std::string& GetTitle() const { return title; }
    int IsDisabled() const { return disabled; }
    Schedule* GetSchedule() const { return schedule.get(); }
    Action* GetAction() const { return action.get(); }  // may be null

private:
    const CoreServices& services;
    std::unique_ptr<Action> action;
    std::unique_ptr<Schedule> schedule;
    std::string title;
    int disabled = 0;
    // The "Task" value of a task loaded without an action.
    std::string actionlessKind;
};

}  // namespace tikr
