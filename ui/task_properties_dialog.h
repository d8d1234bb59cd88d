#pragma once
// The reactions of the task properties dialog: the field model, the data
// exchange in both directions with its validation, and the rows of
// controls each timing and action kind shows. It edits the given task in
// place on OK and never writes to the store.
#include <array>
#include <span>
#include <string>

#include "core/core_services.h"
#include "core/task.h"
#include "ui/window_port.h"

namespace tikr::ui {

class TaskPropertiesDialog {
public:
    TaskPropertiesDialog(Task& task, const CoreServices& services, std::string appTitle);

    // Connects the reactions to the dialog window once its controls exist
    // (combo boxes already filled from the combo data).
    void Attach(WindowPort& window);

    // The one dispatch of the dialog's controls: the two combo boxes, the
    // browse button, OK and Cancel (also Escape and the close box). False
    // when the event means nothing to this dialog.
    bool OnCommand(int id, ControlEvent event);

    // Events.
    void OnInitDialog();
    void OnTimingChanged();
    void OnActionChanged();
    void OnBrowse();
    // Runs the saving exchange; on success updates the task and ends the
    // dialog with 1. False when a check failed (the dialog stays open).
    bool OnOK();
    void OnCancel();

    // Operations.
    bool DoDataExchange(bool saving);
    void LoadFromTask();
    void ApplyToTask();
    void ShowTimingRow(int kind, bool show);
    void ShowActionRow(int kind, bool show);

    // The controls each timing kind (Daily, Weekly, Monthly, Regular
    // Intervals) and each action kind (run an application, message box)
    // shows, indexed by the kind number.
    static const std::array<std::span<const int>, 4> timingRows;
    static const std::array<std::span<const int>, 2> actionRows;

    // A browsed path as the launcher must see it to start exactly that
    // file: unchanged when the launcher would not split it, else quoted.
    static std::string QuotePathForCommandLine(const std::string& path);

    // The open-file dialog's filter list.
    static constexpr const char* BROWSE_FILTER =
        "Executables (*.exe)|*.exe|Command Files (*.com)|*.com|Batch Files (*.bat)|*.bat|All Files (*.*)|*.*||";

    // Fields, public for the front end and the tests to read.
    int runMissedOnStartup = 1;
    int hour = 0;
    int minute = 0;
    int dayOfWeek = 0;
    int dayOfMonth = 1;
    std::string title = "<title>";
    int disabled = 0;
    std::string commandLine;
    std::string messageText;
    int actionKind = 0;
    int timingKind = 0;
    std::array<int, 7> skipDays{};  // Sunday first
    int ifStillRunning = 0;         // the index of IfStillRunning's choice
    int stopHours = 0;              // the time limit; 0:00 means none
    int stopMinutes = 0;

    Task& GetTask() { return task; }

private:
    Task& task;
    const CoreServices& services;
    std::string appTitle;
    WindowPort* window = nullptr;
};

}  // namespace tikr::ui
