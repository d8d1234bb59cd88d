#include "ui/login_start.h"

#include <utility>

#include "ui/window_port.h"

namespace tikr::ui {

LoginStartSetting::LoginStartSetting(LoginEntryPort& entryPort, bool freshProfile) : port(entryPort) {
    // A scheduler runs tasks only while it runs: a new user gets it started
    // at login, and sees the box checked to say so.
    if (freshProfile && !port.Read().on) owedFailure = Apply(true);
}

void LoginStartSetting::Attach(WindowPort& windowPort, int id, const std::string& title) {
    window = &windowPort;
    boxId = id;
    appTitle = title;
    window->SetToolTip(boxId, "Starts " + appTitle + " when you log in. The entry is " + port.Location() + ".");
    if (!owedFailure.empty()) window->ShowNotice(owedFailure, appTitle);
    owedFailure.clear();
}

int LoginStartSetting::Read() { return port.Read().on ? 1 : 0; }

std::string LoginStartSetting::Apply(bool on) {
    std::string error;
    if (port.Write(on, error)) return {};
    return std::string(on ? "Start at Login cannot be turned on: " : "Start at Login cannot be turned off: ") + error +
           ".";
}

void LoginStartSetting::Confirm(int checked, bool ending) {
    const LoginEntry entry = port.Read();
    const bool on = checked != 0;
    std::string failure;
    // An entry that starts another copy (an old path, a build folder) is
    // made this program's own when the user confirms it.
    if (on ? !entry.on || !entry.current : entry.on) failure = Apply(on);
    if (window == nullptr) return;
    if (!ending) Refresh();
    if (failure.empty()) return;
    if (ending) window->ShowMessage(failure, appTitle);
    else window->ShowNotice(failure, appTitle);
}

void LoginStartSetting::Refresh() {
    if (window != nullptr) window->SetCheck(boxId, Read());
}

}  // namespace tikr::ui
