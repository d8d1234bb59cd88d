#include "ui/win32/scheduler_app.h"

#include <commctrl.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "instance/instance_guard.h"
#include "platform/executable_path.h"
#include "platform/system_clock.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_login_entry.h"
#include "platform/win32/win32_process_launcher.h"
#include "platform/win32/win32_profile_location.h"
#include "store/profile_location.h"
#include "ui/command_options.h"
#include "ui/scheduler_dialog.h"
#include "ui/scheduler_setup.h"
#include "ui/startup.h"
#include "ui/task_listing.h"
#include "ui/win32/console_output.h"
#include "ui/win32/scheduler_window.h"
#include "ui/win32/win32_message_display.h"

namespace tikr::win32 {

namespace {

// The arguments after the program's name, UTF-8.
std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (words == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Narrow(words[i]));
    ::LocalFree(words);
    return arguments;
}

// The options that end without a window, printed where the program was
// started from; nothing for a run of the window. Windows has no toolkit
// options: every argument is ours or wrong.
std::optional<int> RunCommandOptions(const std::string& executablePath) {
    const std::vector<std::string> arguments = Arguments();
    if (arguments.empty()) return std::nullopt;
    const std::optional<ui::CommandOutput> output =
        ui::CommandLineOutput(arguments, executablePath, false, TIKR_VERSION, [&executablePath] {
            // Read only, outside the one-instance rule: it works beside a
            // running Tikr. The task's texts are in the ANSI code page.
            const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
            SystemClock clock;
            return ui::ListProfileTasks(ListedProfilePath(executablePath), *files, clock,
                                        [](const std::string& text) { return Recode(text, CP_ACP, CP_UTF8); });
        });
    if (!output) return std::nullopt;
    ConsoleOutput console;
    ::SetLastError(ERROR_SUCCESS);
    const bool written = console.Out(output->output);
    const DWORD writeError = ::GetLastError();
    console.Error(output->error);
    if (written || output->output.empty()) return output->status;
    // A listing that could not be written whole is no success, and says
    // why (a full disk, nowhere to write); a reader that stopped reading
    // is no news to anyone.
    if (writeError != ERROR_BROKEN_PIPE && writeError != ERROR_NO_DATA)
        console.Error(ui::ProgramName(executablePath) + ": cannot write the listing: " +
                      (writeError == ERROR_SUCCESS ? std::string("no output to write to") : SystemReason(writeError)) +
                      "\n");
    return 1;
}

}  // namespace

int RunSchedulerApplication(HINSTANCE instance) {
    if (const std::optional<int> status = RunCommandOptions(ExecutablePath(nullptr))) return *status;
    // A later start has the running scheduler's window shown and brought
    // forward, and ends without a window of its own. A GUI program has no
    // standard error: its error lines (UTF-8, paths among them) go to the
    // debugger.
    ui::Startup startup(ExecutablePath(nullptr), {ProfilePath, AcquireInstanceGuard, [](const std::string& line) {
                                                      OutputDebugStringW(Widen(line + "\n").c_str());
                                                  }});
    if (!startup.GetFailure().empty()) {
        // No place for the profile file: said in a box, and the end.
        MessageBoxW(nullptr, Widen(startup.GetFailure()).c_str(), Widen(startup.GetTitle()).c_str(),
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    if (!startup.ShouldRun()) return 0;

    // The up-down controls of both dialogs come from the common controls.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    SystemClock clock;
    Win32ProcessLauncher launcher;
    Win32MessageDisplay messages;
    // Start at Login: the Run value of the registry for this executable.
    Win32RunEntry loginEntry(ExecutablePath(nullptr));
    // The balloons of the window's icon carry the window's caption.
    ui::SchedulerSetup setup(startup, startup.Services(clock, launcher, messages), loginEntry, ExecutablePath(nullptr),
                             ui::SCHEDULER_CAPTION);
    SchedulerWindow window(instance, setup.GetSchedulerDialog());
    // Each program started is kept until it ends, so that its outcome is
    // known; its end comes to the window as a message.
    window.onCreated = [&launcher](HWND hwnd) { launcher.KeepPrograms(hwnd, PROGRAM_ENDED_MESSAGE); };
    window.onProgramEnded = [&launcher](WPARAM run) { launcher.OnProgramEnded(run); };
    window.Run();
    return setup.Finish();
}

}  // namespace tikr::win32
