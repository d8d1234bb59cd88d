#pragma once
// The telling of failures while the main window runs: a file that cannot be
// written (the profile, the history of runs) is told by a notice in the
// window that does not wait, and while the window is hidden also by a
// notification; programs that could not start or ended in failure are told
// by notifications, gathered so that failures that come together make one.
#include <optional>
#include <string>

#include "core/task.h"
#include "store/profile_store.h"
#include "ui/scheduler_timers.h"

namespace tikr::ui {

class TrayIcon;
class WindowPort;

class FailureNotices {
public:
    FailureNotices(std::string appTitle, TrayIcon& trayIcon);
    FailureNotices(const FailureNotices&) = delete;
    FailureNotices& operator=(const FailureNotices&) = delete;

    void Attach(WindowPort& port) { window = &port; }
    // The name notifications begin with: the title, unless the front end
    // names them as its window is captioned.
    void SetNotificationName(std::string name) { notificationName = std::move(name); }

    // A file cannot be written or read: problem is its one line, notice the
    // window's text, subject what the notification's title says after the
    // name. Before the window exists it is owed until TellOwed.
    void TellFileProblem(const std::string& problem, const std::string& notice, const std::string& subject);
    void TellReadFailure(const std::string& path, const std::string& reason);
    void TellWriteFailure(const WriteFailure& failure);
    void TellRecordsFailure(const std::string& path, const std::string& reason);
    // The window is initialised: the problem owed from before is told, by a
    // notification too when the window hides at start-up; dropped when
    // tell is false (the window could not run).
    void TellOwed(bool tell, bool hidden);

    // A failed start or end that is news waits to be told.
    void OnStartFailure(const StartFailure& failure);
    // A program ended (and may have failed): failures are gathered by the
    // ends timer, or told at once when no timer can run (windowLive false:
    // no window, or the window is ending).
    void GatherEnds(bool windowLive);
    // The ends timer fired: it stops, and what it gathered is told unless
    // the checks have stopped.
    void OnEndsTimer(bool checksStopped);
    void StopEndsTimer();
    // One notification of the failed starts not yet told; asked: after Run
    // Now, told in the window when no notification can be given.
    void TellStartFailures(bool asked);

    // The text of a failed start, one line: task, command line and reason
    // (or, for a program that ended in failure, its outcome).
    static std::string StartFailureText(const StartFailure& failure);

private:
    struct Problem {
        std::string problem;
        std::string notice;
        std::string subject;
    };
    void Tell(const Problem& problem, bool hidden);

    std::string appTitle;
    std::string notificationName;
    TrayIcon& trayIcon;
    WindowPort* window = nullptr;
    static constexpr std::size_t MAX_NOTIFIED_TITLE = 60;
    static constexpr std::size_t MAX_NOTIFIED_COMMAND = 80;
    std::optional<Problem> owed;  // from before the window existed
    // Failed starts not yet told by a notification: the first and how many.
    std::optional<StartFailure> untoldFailure;
    int untoldFailures = 0;
    bool endsTimerArmed = false;
};

}  // namespace tikr::ui
