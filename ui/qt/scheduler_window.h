#pragma once
// The main window: dialog 130 built with Qt, its events delivered to the
// SchedulerDialog, run until the SchedulerDialog ends it.
#include <QIcon>

#include <memory>
#include <string>

namespace tikr::ui {
class SchedulerDialog;
}

namespace tikr::qt {

class ResourceDialog;
class QtWindowPort;
class QtTrayPort;

// The application icon, from the program's own resources.
QIcon ApplicationIcon();

class SchedulerWindow {
public:
    explicit SchedulerWindow(ui::SchedulerDialog& schedulerDialog);
    ~SchedulerWindow();
    SchedulerWindow(const SchedulerWindow&) = delete;
    SchedulerWindow& operator=(const SchedulerWindow&) = delete;

    // Builds the window, attaches the SchedulerDialog and initialises it,
    // then shows it. False when the SchedulerDialog ended it during
    // initialisation (the window is then never shown).
    bool Start();
    // Start, then the application's event loop until the SchedulerDialog
    // ends the window; returns the window's result.
    int Run();
    // Shows the window (from hidden or minimised) and brings it to the
    // foreground, as a press on the tray icon does; nothing once it ended.
    // A later start's activation token goes to the window system with it.
    void BringForward(const std::string& activationToken = {});

    ResourceDialog& Dialog() { return *dialog; }
    QtWindowPort& Port() { return *port; }
    QtTrayPort& Tray() { return *tray; }

private:
    ui::SchedulerDialog& schedulerDialog;
    std::unique_ptr<ResourceDialog> dialog;
    std::unique_ptr<QtWindowPort> port;
    std::unique_ptr<QtTrayPort> tray;
    bool running = false;
};

}  // namespace tikr::qt
