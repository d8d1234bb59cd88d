#include "ui/failure_notices.h"

#include <utility>

#include "core/one_line_text.h"
#include "ui/tray_icon.h"
#include "ui/window_port.h"

namespace tikr::ui {

FailureNotices::FailureNotices(std::string title, TrayIcon& icon)
    : appTitle(std::move(title)), notificationName(appTitle), trayIcon(icon) {}

void FailureNotices::TellFileProblem(const std::string& problem, const std::string& notice,
                                     const std::string& subject) {
    Problem told{problem, notice, subject};
    if (window == nullptr) {
        owed = std::move(told);
        return;
    }
    // A notice beside a hidden window may go unseen.
    Tell(told, !window->IsWindowVisible());
}

void FailureNotices::TellReadFailure(const std::string& path, const std::string& reason) {
    const std::string problem = "The profile file " + path + " cannot be read: " + reason + ".";
    TellFileProblem(problem,
                    problem + "\n\nNo tasks or settings are shown from it, and nothing is written over it, until " +
                        appTitle +
                        " can read it; it tries again at every check. Tasks you add meanwhile are then added to the "
                        "tasks in the file.",
                    ": tasks cannot be read");
}

void FailureNotices::TellWriteFailure(const WriteFailure& failure) {
    const std::string problem = "The profile file " + failure.path + " cannot be written: " + failure.reason + ".";
    TellFileProblem(problem,
                    problem + "\n\nYour tasks are kept while " + appTitle +
                        " runs and are saved as soon as the file can be written again.",
                    ": tasks cannot be saved");
}

void FailureNotices::TellRecordsFailure(const std::string& path, const std::string& reason) {
    const std::string problem = "The history of runs " + path + " cannot be written: " + reason + ".";
    TellFileProblem(problem,
                    problem + "\n\nThe runs are kept while " + appTitle +
                        " runs and are written as soon as the file can be written again.",
                    ": runs cannot be recorded");
}

void FailureNotices::TellOwed(bool tell, bool hidden) {
    // A window hidden from the start may leave the notice unseen.
    if (owed && tell) Tell(*owed, hidden);
    owed.reset();
}

void FailureNotices::Tell(const Problem& told, bool hidden) {
    window->ShowNotice(told.notice, appTitle);
    if (hidden) trayIcon.Notify(notificationName + told.subject, told.problem);
}

void FailureNotices::OnStartFailure(const StartFailure& failure) {
    if (failure.repeated) return;
    if (untoldFailures++ == 0) untoldFailure = failure;
}

void FailureNotices::GatherEnds(bool windowLive) {
    // A thousand programs that fail together make one notification, as
    // the failed starts of one check do, not a thousand.
    if (untoldFailures == 0 || endsTimerArmed) return;
    endsTimerArmed = windowLive && window->SetTimer(ENDS_TIMER_ID, ENDS_GATHER_MS) != 0;
    if (!endsTimerArmed) TellStartFailures(false);
}

void FailureNotices::OnEndsTimer(bool checksStopped) {
    window->KillTimer(ENDS_TIMER_ID);
    endsTimerArmed = false;
    if (!checksStopped) TellStartFailures(false);
}

void FailureNotices::StopEndsTimer() {
    if (endsTimerArmed) window->KillTimer(ENDS_TIMER_ID);
    endsTimerArmed = false;
}

void FailureNotices::TellStartFailures(bool asked) {
    const int count = untoldFailures;
    untoldFailures = 0;
    std::optional<StartFailure> first = std::move(untoldFailure);
    untoldFailure.reset();
    if (count == 0 || !first) return;
    // A notification holds a few lines: a long title or command line is
    // cut, never the outcome at the end.
    StartFailure shown = *first;
    shown.title = OneLineText(shown.title, MAX_NOTIFIED_TITLE);
    shown.commandLine = OneLineText(shown.commandLine, MAX_NOTIFIED_COMMAND);
    std::string text = StartFailureText(shown);
    if (count > 1) text += " (and " + std::to_string(count - 1) + " more)";
    const std::string title = notificationName + (first->ended ? ": a task failed" : ": a task could not start");
    // Without the icon or the desktop's notifications a run the user asked
    // for is told in the window, where the user asked for it.
    if (!trayIcon.Notify(title, text) && asked) window->ShowNotice(text, title);
}

std::string FailureNotices::StartFailureText(const StartFailure& failure) {
    if (failure.ended)
        return "Task \"" + failure.title + "\" running \"" + failure.commandLine + "\" " + failure.reason;
    return "Task \"" + failure.title + "\" could not start \"" + failure.commandLine + "\": " + failure.reason;
}

}  // namespace tikr::ui
