#include "core/task.h"

#include "core/profile_keys.h"
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

Action* Task::AdvanceIfDue() {
    if (disabled != 0 || !schedule) return nullptr;
    // A next run that could not be computed (the local time was unavailable)
    // is computed again once the time is known, without running the task.
    if (!schedule->GetNextRun().IsValid()) {
        schedule->UpdateNextRun();
        return nullptr;
    }
    if (!schedule->IsDue()) return nullptr;
    // Advance and store first, so that an action that fails or waits in a
    // message box never runs the same occurrence twice. A task without an
    // action (an unknown "Task" letter in the file) just moves on.
    schedule->UpdateNextRun();
    return action.get();
}

void Task::CheckAndRun() {
    Action* toRun = AdvanceIfDue();
    if (toRun != nullptr) toRun->Run();
    // Nothing of the task is touched from here on: a message box lets the
    // user remove it while Run waits.
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
}

void Task::SetSchedule(std::unique_ptr<Schedule> newSchedule) { schedule = std::move(newSchedule); }

void Task::SetAction(std::unique_ptr<Action> newAction) { action = std::move(newAction); }

}  // namespace tikr
