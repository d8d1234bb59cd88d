#pragma once
// The ends of the program that do not come through its window: SIGTERM,
// SIGHUP and SIGINT (a session ending, a logout, Ctrl+C in a terminal), and
// the display connection breaking. A signal's handler only writes a byte
// to a pipe; the event loop then calls endNow, which ends the program as
// the close box does. The toolkit ends the whole process when the display
// connection breaks, without returning to the caller: it says so in a
// warning first and then exits, so that warning and the process's exit
// each call storeNow, which stores what the end stores without a look at
// the window.
//
// One watch at a time: the signals and the exit are the process's own.
#include <functional>
#include <memory>

class QSocketNotifier;

namespace tikr::qt {

class EndRequests {
public:
    EndRequests(std::function<void()> endNow, std::function<void()> storeNow);
    // The signals take their default action again; the exit stores nothing.
    ~EndRequests();
    EndRequests(const EndRequests&) = delete;
    EndRequests& operator=(const EndRequests&) = delete;

    // Called once, by the toolkit's warning or the exit, whichever first.
    void StoreOnce();

private:
    std::function<void()> endNow;
    std::function<void()> storeNow;
    bool stored = false;
    int pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
};

}  // namespace tikr::qt
