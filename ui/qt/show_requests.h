#pragma once
// The running scheduler's side of the one-instance rule: a later start of
// the program asks, over the guard's socket, for the main window to be shown;
// each such request shows the window and brings it forward.
#include <QSocketNotifier>

#include <memory>

namespace tikr {
class SingleInstance;
}

namespace tikr::qt {

class SchedulerWindow;

// Watches the primary's listening socket from the event loop. Null when the
// instance has no channel (it is not the primary, or its socket could not be
// set up). Both instance and window must outlive the watcher.
std::unique_ptr<QSocketNotifier> WatchShowRequests(SingleInstance& instance, SchedulerWindow& window);

}  // namespace tikr::qt
