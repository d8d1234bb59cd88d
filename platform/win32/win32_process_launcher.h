#pragma once
// Starts programs on Windows.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/process_launcher.h"
#include "platform/win32/win32_process_stopper.h"

namespace tikr {

// A 32-bit program on 64-bit Windows sees the 32-bit system folder
// (SysWOW64) under the name System32; the real one is reached through the
// alias Sysnative, which only such a program has. The command line with a
// program under windowsDirectory\System32 named through that alias
// instead (letter case and either slash as Windows takes them); any other
// command line as it is. The launcher applies it under WOW64 only.
std::string ThroughRealSystemFolder(const std::string& commandLine, const std::string& windowsDirectory);

// Starts the command line exactly as stored with CreateProcessA: Windows'
// own rules split it into the program and its arguments (a program path
// with blanks wants quotes), and no command interpreter sees it. The show
// state goes to the program as the show command of its first window
// (STARTF_USESHOWWINDOW), passed on unchanged. Start does not wait for the
// program. A start that fails is reported on the debug output and returns
// false, as does an empty command line.
//
// Until KeepPrograms is called no handle of a program is kept. After it,
// each program's process handle is waited on off the window thread (a
// registered wait on the system's thread pool), whose callback only posts
// the message to the window; the window then calls OnProgramEnded, which
// reads the exit code on the window's thread, reports the end and closes
// the handle. A program still running when the launcher goes is left
// running.
class Win32ProcessLauncher : public ProcessLauncher {
public:
    Win32ProcessLauncher() = default;
    ~Win32ProcessLauncher() override;
    Win32ProcessLauncher(const Win32ProcessLauncher&) = delete;
    Win32ProcessLauncher& operator=(const Win32ProcessLauncher&) = delete;

    // Keeps every program started from now on; its end is posted to the
    // window as the message, with its run as wParam.
    void KeepPrograms(HWND window, UINT message);
    LaunchResult Start(const std::string& commandLine, int showState) override;
    // With an output path, a console program gets the file (opened for
    // appending; NUL when it cannot be made, the result saying why) as its
    // standard output and error, and the NUL device as its standard input;
    // only these handles are inherited. A GUI program is unaffected.
    LaunchResult StartRun(const LaunchRequest& request) override;
    void SetEndHandler(std::function<void(const ProgramEnd&)> handler) override { onEnd = std::move(handler); }
    // The window heard the message of a run: reports the program's end.
    // Nothing for a run it does not know (or one not ended yet).
    void OnProgramEnded(WPARAM run);
    // Asks the kept program and the programs it started to end, and ends
    // them after STOP_GRACE_SECONDS (see Win32ProcessStopper).
    bool Stop(std::uint64_t run) override { return stopper.Stop(run); }
    std::size_t RunningPrograms() const { return kept.size(); }

    // What the pool thread's callback needs: where to post.
    struct EndNotice {
        HWND window;
        UINT message;
        WPARAM run;
    };

private:
    struct Kept {
        HANDLE process = nullptr;
        HANDLE wait = nullptr;
        ULONGLONG startTicks = 0;
        std::unique_ptr<EndNotice> notice;
    };

    HWND window = nullptr;
    UINT message = 0;
    WPARAM lastRun = 0;
    std::map<WPARAM, Kept> kept;
    std::function<void(const ProgramEnd&)> onEnd;
    Win32ProcessStopper stopper{STOP_GRACE_SECONDS};

    // Takes the process handle; false (handle closed) when it cannot wait.
    bool Keep(HANDLE process, WPARAM run);
};

}  // namespace tikr
