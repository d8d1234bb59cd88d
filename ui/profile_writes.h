#pragma once
// The main window's writes of the profile file: what waits to be written
// (the confirmed settings, the tasks after a failed write, the deferred
// outcomes) goes in one replacement of the file, and a file that could not
// be read at start is written over by nothing before it has been read.
#include <functional>
#include <optional>
#include <string>

namespace tikr {
class ProfileStore;
class TaskList;
}  // namespace tikr

namespace tikr::ui {

class SchedulerSettings;

class ProfileWrites {
public:
    ProfileWrites(ProfileStore& store, TaskList& tasks, SchedulerSettings& settings);
    ProfileWrites(const ProfileWrites&) = delete;
    ProfileWrites& operator=(const ProfileWrites&) = delete;

    // After the tasks were loaded: when the file could not be read, writes
    // are held until it reads. False then.
    bool HoldIfUnread(const std::string& appTitle);
    // Called when a file that could not be read has been taken up: its
    // settings (unless others were confirmed meanwhile) and tasks, with the
    // tasks added meanwhile after them; shownInterval is the check period
    // the window showed before.
    std::function<void(int shownInterval)> onTakenUp;

    // A write failed: the next write stores every task and the count.
    void MarkPending() { pending = true; }
    bool IsPending() const { return pending; }
    // Why the file could not be read at start, until it is read.
    const std::string& UnreadReason() const { return unread; }

    // Writes in one replacement of the file, as they are in memory: the
    // unsaved settings, the task at the index (every task and the count
    // after a failed write) and the deferred outcomes. True when stored.
    bool Store(std::optional<int> taskIndex);

private:
    // Once the file reads, it is taken up and writes are let through
    // again. False while it still cannot be read.
    bool TakeUp();

    ProfileStore& store;
    TaskList& tasks;
    SchedulerSettings& settings;
    bool pending = false;  // a write failed since the list was last written whole
    std::string unread;
};

}  // namespace tikr::ui
