#pragma once
// The reactions of the history window: one task's runs as the history of
// runs keeps them, newest first (start, outcome, time taken), and the
// selected run's output file opened in the desktop's viewer. Runs are
// matched to the task by its title, as the history lines carry it. The
// window reads the history once, when it opens.
#include <string>
#include <vector>

#include "core/run_records.h"
#include "ui/window_port.h"

namespace tikr::ui {

class HistoryDialog {
public:
    // records: where the runs are kept; none when no history is kept.
    HistoryDialog(std::string taskTitle, const RunRecords* records, std::string appTitle);

    // Connects the reactions to the window once its controls exist.
    void Attach(WindowPort& window);

    // The one dispatch of the window's controls: the list (a double-click
    // opens the line's output), Open Output (also Enter) and Close (also
    // Escape and the close box). False when the event means nothing here.
    bool OnCommand(int id, ControlEvent event);

    // Events.
    void OnInitDialog();
    void OnSelectionChanged();
    void OnOpenOutput();
    void OnClose();

    // The task's runs, newest first, as the list shows them (line i is
    // run i); empty when there are none or the history cannot be read.
    const std::vector<RunRecord>& Runs() const { return runs; }
    // What the list says instead of runs; empty when it shows runs.
    const std::string& Notice() const { return notice; }

    // One line of the list: "Wed 9 Dec 2026 09:00:05, exited with status 0
    // after 3 s"; an outcome that does not tell the time taken gets it in
    // brackets when the run took any.
    static std::string RunLine(const RunRecord& run);

private:
    std::string taskTitle;
    const RunRecords* records;
    std::string appTitle;
    WindowPort* window = nullptr;
    std::vector<RunRecord> runs;
    std::string notice;

    void ReadRuns();
    void UpdateButtons();
    // The run of the selected line; null when none is selected.
    const RunRecord* SelectedRun();
};

}  // namespace tikr::ui
