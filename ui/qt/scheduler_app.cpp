#include "ui/qt/scheduler_app.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>

#include "core/core_services.h"
#include "instance/instance_guard.h"
#include "platform/executable_path.h"
#include "platform/posix_process_launcher.h"
#include "platform/system_clock.h"
#include "store/profile_location.h"
#include "store/profile_store.h"
#include "ui/qt/qt_message_display.h"
#include "ui/qt/scheduler_window.h"
#include "ui/qt/show_requests.h"
#include "ui/scheduler_dialog.h"

namespace tikr::qt {

namespace {

void Report(const std::string& program, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), text.c_str());
}

}  // namespace

int RunSchedulerApplication(int argc, char** argv) {
    const std::string executable = ExecutablePath(argc > 0 ? argv[0] : nullptr);
    const std::string title = ExecutableName(executable);

    // One scheduler per profile file. This comes before the application
    // object: a later start only asks the running one to show its window and
    // ends without connecting to the display or creating any window.
    const std::string profilePath = ProfilePath(executable);
    const std::unique_ptr<InstanceGuard> guard = AcquireInstanceGuard(profilePath);
    switch (guard->GetRole()) {
        case InstanceGuard::Role::alreadyRunning:
            if (!guard->GetError().empty()) Report(title, guard->GetError());
            return 0;
        case InstanceGuard::Role::unguarded:
            Report(title, "running without the one-instance guard: " + guard->GetError());
            break;
        case InstanceGuard::Role::first:
            if (!guard->GetError().empty()) Report(title, "a later start cannot show this window: " + guard->GetError());
            break;
    }

    QApplication application(argc, argv);
    // The window hides to the notification area and message boxes come and
    // go; only the end of the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QString::fromStdString(title));
    QApplication::setWindowIcon(ApplicationIcon());

    ProfileStore store(profilePath);
    store.SetWriteFailureHandler([](const WriteFailure& failure) {
        std::fprintf(stderr, "Cannot write the profile file %s: %s\n", failure.path.c_str(), failure.reason.c_str());
    });
    SystemClock clock;
    PosixProcessLauncher launcher;
    QtMessageDisplay messages;
    const CoreServices services{store, clock, launcher, messages};
    ui::SchedulerDialog logic(services, title);
    SchedulerWindow window(logic);
    QtShowRequestWatch requests;
    guard->ServeShowRequests(requests, [&window] { window.BringForward(); });
    window.Run();
    return 0;
}

}  // namespace tikr::qt
