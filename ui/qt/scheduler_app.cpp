#include "ui/qt/scheduler_app.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>

#include "instance/instance_guard.h"
#include "platform/executable_path.h"
#include "platform/posix/posix_process_launcher.h"
#include "platform/system_clock.h"
#include "store/profile_location.h"
#include "ui/qt/qt_message_display.h"
#include "ui/qt/scheduler_window.h"
#include "ui/qt/show_requests.h"
#include "ui/scheduler_dialog.h"
#include "ui/startup.h"

namespace tikr::qt {

int RunSchedulerApplication(int argc, char** argv) {
    // Before the application object: a later start only asks the running
    // one to show its window and ends without connecting to the display.
    ui::Startup startup(ExecutablePath(argc > 0 ? argv[0] : nullptr),
                        {ProfilePath, AcquireInstanceGuard,
                         [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }});
    // Where the profile has no place the line on standard error says why.
    if (!startup.ShouldRun()) return startup.GetFailure().empty() ? 0 : 1;

    QApplication application(argc, argv);
    // The window hides to the notification area and message boxes come and
    // go; only the end of the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QString::fromStdString(startup.GetTitle()));
    QApplication::setWindowIcon(ApplicationIcon());
    // The launcher's token was for this start's own window (the window
    // system's plugin has taken what it uses); the programs that tasks
    // start must not present it as theirs.
    qunsetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("DESKTOP_STARTUP_ID");

    SystemClock clock;
    PosixProcessLauncher launcher;
    QtMessageDisplay messages;
    const CoreServices services = startup.Services(clock, launcher, messages);
    ui::SchedulerDialog logic(services, startup.GetTitle());
    startup.Attach(logic);
    SchedulerWindow window(logic);
    QtShowRequestWatch requests;
    InstanceGuard& guard = startup.GetGuard();
    guard.ServeShowRequests(requests, [&window, &guard] { window.BringForward(guard.TakeActivationToken()); });
    window.Run();
    return startup.Finish(logic);
}

}  // namespace tikr::qt
