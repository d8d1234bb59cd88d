#include "ui/profile_writes.h"

#include "core/profile_keys.h"
#include "core/task_list.h"
#include "store/profile_store.h"
#include "ui/scheduler_settings.h"

namespace tikr::ui {

ProfileWrites::ProfileWrites(ProfileStore& profile, TaskList& taskList, SchedulerSettings& schedulerSettings)
    : store(profile), tasks(taskList), settings(schedulerSettings) {}

bool ProfileWrites::HoldIfUnread(const std::string& appTitle) {
    unread = store.ReadError();
    if (unread.empty()) return true;
    // An empty list and default settings are not the file's: nothing of
    // them may be written over it. The file is read again at every check,
    // and the tasks added meanwhile join its tasks then.
    store.HoldWrites("the file could not be read when " + appTitle + " started (" + unread +
                     ") and is not written before it has been read");
    return false;
}

bool ProfileWrites::TakeUp() {
    if (unread.empty()) return true;
    // The look at the file: it is read afresh while it could not be read.
    store.ReadInt(keys::SETTINGS_SECTION_READ, keys::NUM_APPS, 0);
    if (!store.ReadError().empty()) return false;
    unread.clear();
    store.ReleaseWrites();
    const int shownInterval = settings.GetInterval();
    settings.ReadAgain();
    tasks.LoadAheadOfKept();
    tasks.SettleInterruptedRuns();
    if (onTakenUp) onTakenUp(shownInterval);
    return true;
}

bool ProfileWrites::Store(std::optional<int> taskIndex) {
    if (!unread.empty()) {
        // Nothing is written before the file is read; then the whole list,
        // the file's tasks with the ones added meanwhile.
        pending = true;
        // Nothing is lost while nothing was added or confirmed meanwhile.
        if (!TakeUp()) return tasks.GetCount() == 0 && !settings.HasUnsaved();
        taskIndex = ALL_TASKS;
    }
    // After a failed write a single task's section is not enough: the count
    // or another task may be missing from the file.
    if (pending) taskIndex = ALL_TASKS;
    pending = false;  // set again by the handler when this write fails
    // One replacement of the file; a batch that writes nothing leaves the
    // file alone.
    ProfileStore::Batch batch(store);
    settings.WriteUnsaved();
    if (taskIndex) tasks.Save(*taskIndex);
    store.SaveDeferred();
    const bool stored = batch.Commit();
    if (stored) settings.MarkStored();
    return stored;
}

}  // namespace tikr::ui
