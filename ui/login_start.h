#pragma once
// "Start at Login": whether the desktop starts the program when the user
// logs in. The desktop's own entry is the one place this is kept (never
// the profile file), so a change made with the desktop's tools shows in
// the box the next time the window shows it. The entry is reached through
// a small port (core/login_entry.h).
#include <string>

#include "core/login_entry.h"

namespace tikr::ui {

class WindowPort;

class LoginStartSetting {
public:
    // A start with no profile file yet turns the entry on; any other start
    // leaves it as the user (or the desktop) left it.
    LoginStartSetting(LoginEntryPort& port, bool freshProfile);

    // Connects the check box of the window: its tooltip, and a failure of
    // the default at start told beside the window.
    void Attach(WindowPort& window, int boxId, const std::string& appTitle);
    // The box's value as the desktop has it now: 1 on, 0 off.
    int Read();
    // Hide or Exit confirmed the box: writes the entry when the box asks
    // for something else than the desktop has, or for on when the entry
    // starts another copy. The box then shows the entry as it really is.
    // A failure is told beside the window (ending: in a box that waits,
    // since the window is about to go).
    void Confirm(int checked, bool ending);
    // The window is shown again: the box shows the entry as it is now.
    void Refresh();

private:
    std::string Apply(bool on);

    LoginEntryPort& port;
    WindowPort* window = nullptr;
    int boxId = 0;
    std::string appTitle;
    std::string owedFailure;  // of the default at start, until the window exists
};

}  // namespace tikr::ui
