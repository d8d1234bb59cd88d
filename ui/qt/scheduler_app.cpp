#include "ui/qt/scheduler_app.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instance/instance_guard.h"
#include "platform/executable_path.h"
#include "platform/posix/posix_login_entry.h"
#include "platform/posix/posix_process_launcher.h"
#include "platform/posix/posix_profile_location.h"
#include "platform/system_clock.h"
#include "store/file_system.h"
#include "store/profile_location.h"
#include "ui/qt/end_requests.h"
#include "ui/qt/qt_descriptor_watcher.h"
#include "ui/qt/qt_message_display.h"
#include "ui/qt/scheduler_window.h"
#include "ui/qt/show_requests.h"
#include "ui/command_options.h"
#include "ui/scheduler_dialog.h"
#include "ui/scheduler_setup.h"
#include "ui/startup.h"
#include "ui/task_listing.h"

namespace tikr::qt {

namespace {

// The command-line options that end without a window; nothing for a run of
// the window.
std::optional<int> RunCommandOptions(int argc, char** argv, const std::string& executablePath) {
    const std::optional<ui::CommandOutput> output = ui::CommandLineOutput(
        std::vector<std::string>(argv + 1, argv + argc), executablePath, true, TIKR_VERSION, [&executablePath] {
            // The profile file's path as the window forms it, without making
            // its folder: listing writes nothing and takes no part in the
            // one-instance rule.
            const std::string directory = ConfigDirectory();
            const std::string fileName = ProfileFileName(executablePath);
            const std::string path = directory.empty() ? fileName : directory + "/" + fileName;
            const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
            SystemClock clock;
            return ui::ListProfileTasks(path, *files, clock);
        });
    if (!output) return std::nullopt;
    errno = 0;
    std::fwrite(output->output.data(), 1, output->output.size(), stdout);
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    const int writeError = errno;
    std::fputs(output->error.c_str(), stderr);
    if (written) return output->status;
    // A listing that could not be written whole is no success, and says
    // why (a full disk, a closed output); a reader that stopped reading
    // (head) is no news to anyone.
    if (writeError != EPIPE)
        std::fprintf(stderr, "%s: cannot write the listing: %s\n", ui::ProgramName(executablePath).c_str(),
                     std::strerror(writeError));
    return 1;
}

}  // namespace

int RunSchedulerApplication(int argc, char** argv) {
    const std::string executablePath = ExecutablePath(argc > 0 ? argv[0] : nullptr);
    if (argc > 1) {
        if (const std::optional<int> status = RunCommandOptions(argc, argv, executablePath)) return *status;
    }

    // Before the application object: a later start only asks the running
    // one to show its window and ends without connecting to the display.
    ui::Startup startup(executablePath, {ProfilePath, AcquireInstanceGuard,
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
    // Each program started is kept until it ends, learnt from the event
    // loop, so that its outcome is known.
    QtDescriptorWatcher watcher;
    PosixProcessLauncher launcher(watcher);
    QtMessageDisplay messages;
    // Start at Login: the desktop's autostart entry for this executable.
    XdgAutostartEntry loginEntry = MakeXdgAutostartEntry(executablePath);
    ui::SchedulerSetup setup(startup, startup.Services(clock, launcher, messages), loginEntry, executablePath);
    ui::SchedulerDialog& schedulerDialog = setup.GetSchedulerDialog();
    SchedulerWindow window(schedulerDialog);
    QtShowRequestWatch requests;
    InstanceGuard& guard = startup.GetGuard();
    guard.ServeShowRequests(requests, [&window, &guard] { window.BringForward(guard.TakeActivationToken()); });
    // A signal to end ends as the close box does; a lost display stores the
    // same before the toolkit ends the process.
    EndRequests ends([&schedulerDialog] { schedulerDialog.OnCancel(); },
                     [&schedulerDialog, &setup] {
                         schedulerDialog.StoreAtEnd();
                         setup.Finish();
                     });
    window.Run();
    return setup.Finish();
}

}  // namespace tikr::qt
