#pragma once
// The main window: dialog 130 created from its template as a modeless dialog
// of our own window class, each message handed to the SchedulerDialog, run
// by a message loop until the SchedulerDialog ends it.
#include <windows.h>

#include <functional>
#include <memory>

#include "ui/win32/handles.h"

namespace tikr::ui {
class SchedulerDialog;
}

namespace tikr::win32 {

class Win32WindowPort;
class Win32TrayPort;

// Posted to the main window when a kept program has ended; wParam is its
// run (Win32ProcessLauncher::KeepPrograms).
constexpr UINT PROGRAM_ENDED_MESSAGE = WM_APP + 101;

class SchedulerWindow {
public:
    // Called with the window once it exists, before the SchedulerDialog
    // initialises it (and before any task can run).
    std::function<void(HWND)> onCreated;
    // A PROGRAM_ENDED_MESSAGE arrived.
    std::function<void(WPARAM run)> onProgramEnded;

    SchedulerWindow(HINSTANCE instance, ui::SchedulerDialog& schedulerDialog);
    // Removes the key filter and the tray icon if still there, then
    // destroys the window (which ends its timer), then the class and the
    // icons.
    ~SchedulerWindow();
    SchedulerWindow(const SchedulerWindow&) = delete;
    SchedulerWindow& operator=(const SchedulerWindow&) = delete;

    // Creates the window and initialises it through the SchedulerDialog, then
    // shows it; from then on a filter on this thread routes the window's
    // keys while a modal loop not of its own (a message box) runs. False
    // when it could not be created or the SchedulerDialog ended it during
    // initialisation (it is then never shown).
    bool Start();
    // Start, then the message loop until the SchedulerDialog ends the window;
    // returns the window's result (0 when it could not be created).
    int Run();
    // One message of the loop: see RouteToMainWindow.
    void Dispatch(MSG& message);

    HWND Window() const { return window; }
    Win32WindowPort& Port() { return *port; }
    Win32TrayPort& Tray() { return *tray; }
    bool Ended() const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog(HWND hwnd);
    void OnCommand(int id, unsigned code);
    bool OnContextMenu(HWND from, LPARAM lParam);

    HINSTANCE instance;
    ui::SchedulerDialog& schedulerDialog;
    IconHandle bigIcon;
    IconHandle smallIcon;
    std::unique_ptr<RegisteredClass> windowClass;
    HWND window = nullptr;
    std::unique_ptr<Win32WindowPort> port;
    std::unique_ptr<Win32TrayPort> tray;
    UINT taskbarCreated = 0;
    // Routes the window's keys while a modal loop not of its own runs.
    HHOOK keyFilter = nullptr;
    // Colour requests count as the first drawing only once the window has
    // been shown (a window that is to hide at start-up hides then).
    bool shown = false;
    bool quitPosted = false;
};

// A message of the program's own loop for the main window, a notice or one
// of their controls: keys go through the dialog manager (Tab, mnemonics,
// Enter, Escape). True when it was handled so (the caller then neither
// translates nor dispatches it).
bool RouteToMainWindow(MSG& message);

}  // namespace tikr::win32
