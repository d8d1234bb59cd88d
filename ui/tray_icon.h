#pragma once
// The main window's notification-area icon: whether the setting in force
// wants it, whether the shell is believed to have it, its tip, and the
// passing notifications that come from it.
#include <string>

namespace tikr {
class TaskList;
}

namespace tikr::ui {

class TrayPort;

class TrayIcon {
public:
    // The tip counts the tasks of the list.
    explicit TrayIcon(const TaskList& tasks) : tasks(tasks) {}
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void Attach(TrayPort& port) { tray = &port; }

    // The setting in force wants the icon shown or not: it is added or
    // removed to match.
    void Want(bool wanted);
    // The notification area was made anew (the desktop shell restarted) and
    // knows no icon: it is registered again whenever the setting in force
    // wants it, whatever an earlier failed call left in the flag.
    void OnAreaCreated();

    // Each call is made only when the flag says it changes something; the
    // flag follows what the platform answered.
    bool Add();
    void UpdateTip();
    bool Remove();
    bool IsShown() const { return shown; }

    // "%d Task(s) Scheduled", at most 63 characters.
    std::string TipText() const;

    // A passing notification: from the icon while it is shown, else through
    // the desktop's notification service (no icon can be shown, or it is
    // turned off). False when neither could take it.
    bool Notify(const std::string& title, const std::string& text);

private:
    const TaskList& tasks;
    TrayPort* tray = nullptr;
    bool shown = false;
    // The setting last applied (at start, by Hide or Exit) wants the icon;
    // cleared when the window ends.
    bool wanted = false;
};

}  // namespace tikr::ui
