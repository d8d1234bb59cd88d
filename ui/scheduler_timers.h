#pragma once
// The main window's timers.

namespace tikr::ui {

// The check pass's timer.
constexpr unsigned SCHEDULER_TIMER_ID = 4523;
// The one-time timer that gathers the failed ends of programs that end
// about together into one notification, and how long it gathers (the
// shortest period the window ports start).
constexpr unsigned ENDS_TIMER_ID = SCHEDULER_TIMER_ID + 1;
constexpr unsigned ENDS_GATHER_MS = 1000;

}  // namespace tikr::ui
