#include "ui/win32/scheduler_app.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "core/core_services.h"
#include "instance/instance_guard.h"
#include "platform/executable_path.h"
#include "platform/system_clock.h"
#include "platform/win32_process_launcher.h"
#include "store/profile_location.h"
#include "store/profile_store.h"
#include "ui/scheduler_dialog.h"
#include "ui/win32/scheduler_window.h"
#include "ui/win32/win32_message_display.h"

namespace tikr::win32 {

int RunSchedulerApplication(HINSTANCE instance) {
    // The up-down controls of both dialogs come from the common controls.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    const std::string executable = ExecutablePath(nullptr);
    const std::string name = ExecutableName(executable);
    const std::string title = name.empty() ? "tikr" : name;
    const std::string profilePath = ProfilePath(executable);

    // A later start has the running scheduler's window shown and brought
    // forward, and ends without a window of its own.
    const std::unique_ptr<InstanceGuard> guard = AcquireInstanceGuard(profilePath);
    if (guard->GetRole() == InstanceGuard::Role::alreadyRunning) return 0;
    if (!guard->GetError().empty()) OutputDebugStringA((title + ": " + guard->GetError() + "\n").c_str());

    ProfileStore store(profilePath);
    // A GUI program has no standard error: failed writes go to the debugger.
    store.SetWriteFailureHandler([](const WriteFailure& failure) {
        OutputDebugStringA(("Cannot write the profile file " + failure.path + ": " + failure.reason + "\n").c_str());
    });
    SystemClock clock;
    Win32ProcessLauncher launcher;
    Win32MessageDisplay messages;
    const CoreServices services{store, clock, launcher, messages};
    ui::SchedulerDialog logic(services, title);
    SchedulerWindow window(instance, logic);
    return window.Run();
}

}  // namespace tikr::win32
