#include "ui/qt/scheduler_app.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>

#include "instance/instance_guard.h"
#include "platform/executable_path.h"
#include "core/run_records.h"
#include "platform/posix/posix_process_launcher.h"
#include "platform/posix/posix_profile_location.h"
#include "platform/system_clock.h"
#include "store/profile_location.h"
#include "ui/qt/qt_descriptor_watcher.h"
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
    if (!startup.ShouldRun()) return 0;

    QApplication application(argc, argv);
    // The window hides to the notification area and message boxes come and
    // go; only the end of the main window ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QString::fromStdString(startup.GetTitle()));
    QApplication::setWindowIcon(ApplicationIcon());

    SystemClock clock;
    // Each program started is kept until it ends, learnt from the event
    // loop, so that its outcome is known.
    QtDescriptorWatcher watcher;
    PosixProcessLauncher launcher(watcher);
    QtMessageDisplay messages;
    const CoreServices services = startup.Services(clock, launcher, messages);
    ui::SchedulerDialog logic(services, startup.GetTitle());
    startup.Attach(logic);
    // Each run's output file and line in the history of runs.
    RunRecords records(RunRecordsFolder());
    if (!records.GetFolder().empty()) logic.GetTasks().SetRunRecords(&records);
    SchedulerWindow window(logic);
    QtShowRequestWatch requests;
    startup.GetGuard().ServeShowRequests(requests, [&window] { window.BringForward(); });
    window.Run();
    return startup.Finish(logic);
}

}  // namespace tikr::qt
