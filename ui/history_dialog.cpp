#include "ui/history_dialog.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>

#include "core/one_line_text.h"
#include "core/run_outcome.h"
#include "core/task_state_text.h"
#include "ui/res/resource_ids.h"

namespace tikr::ui {

namespace {

using namespace res;
namespace fs = std::filesystem;

constexpr std::size_t MAX_OUTCOME_CHARACTERS = 200;

// An output file of the folder: a plain file named "*.log", other than the
// history itself, right in the folder. Compared as the system resolves
// both, so that no link on the way ("folder/link/../x.log") leads
// elsewhere; the resolved path is what the viewer gets.
std::optional<std::string> OutputFileIn(FileSystem& files, const std::string& file, const std::string& folder) {
    const std::string resolvedText = files.CanonicalPath(file);
    const std::string ownText = files.CanonicalPath(folder);
    if (resolvedText.empty() || ownText.empty()) return std::nullopt;
    const fs::path resolved = Utf8Path(resolvedText);
    if (resolved.extension() != ".log" || resolved.filename() == RunRecords::HISTORY_FILE ||
        resolved.parent_path() != Utf8Path(ownText) || !files.IsRegularFile(resolvedText))
        return std::nullopt;
    return resolvedText;
}

}  // namespace

HistoryDialog::HistoryDialog(std::string taskTitle, const RunRecords* records, std::string appTitle)
    : taskTitle(std::move(taskTitle)), records(records), appTitle(std::move(appTitle)) {}

void HistoryDialog::Attach(WindowPort& port) { window = &port; }

bool HistoryDialog::OnCommand(int id, ControlEvent event) {
    if (id == IDC_HISTORY_LIST) {
        if (event == ControlEvent::selectionChanged) OnSelectionChanged();
        if (event == ControlEvent::doubleClicked) OnOpenOutput();
        return event == ControlEvent::selectionChanged || event == ControlEvent::doubleClicked;
    }
    if (event != ControlEvent::clicked) return false;
    switch (id) {
    case IDC_OPEN_OUTPUT: OnOpenOutput(); return true;
    case ID_CANCEL: OnClose(); return true;
    default: return false;
    }
}

std::string HistoryDialog::RunLine(const RunRecord& run) {
    std::string outcome = OneLineText(run.outcome, MAX_OUTCOME_CHARACTERS, InvalidBytes::keep);
    if (outcome.empty()) outcome = "no outcome recorded";
    // Programs that ended tell the time taken in their outcome; one still
    // running when the scheduler ended does not.
    if (outcome.find(" after ") == std::string::npos && run.seconds > 0)
        outcome += " (" + DurationText(run.seconds) + ")";
    return FormatRunTime(run.start) + ", " + outcome;
}

void HistoryDialog::ReadRuns() {
    runs.clear();
    notice.clear();
    if (records == nullptr) {
        notice = "No history of runs is kept: there is no folder for it.";
        return;
    }
    // A history that is there but cannot be read is not an empty one.
    std::string problem;
    std::vector<RunRecord> all = records->ReadHistory(&problem);
    if (!problem.empty()) {
        notice = "The history of runs cannot be read: " + records->HistoryPath();
        return;
    }
    const std::string title = HistoryField(taskTitle);
    for (RunRecord& run : all)
        if (run.title == title) runs.push_back(std::move(run));
    // The history is appended in order of the runs' ends; newest start
    // first, and among runs of one start the later line first.
    std::reverse(runs.begin(), runs.end());
    std::stable_sort(runs.begin(), runs.end(),
                     [](const RunRecord& a, const RunRecord& b) { return a.start > b.start; });
    if (runs.empty()) notice = "This task has no runs in the history yet.";
}

void HistoryDialog::OnInitDialog() {
    window->SetText(IDC_HISTORY_TASK, "Task: " + taskTitle);
    ReadRuns();
    window->ListReset(IDC_HISTORY_LIST);
    if (!notice.empty()) {
        window->ListAddString(IDC_HISTORY_LIST, notice);
    } else {
        for (const RunRecord& run : runs) window->ListAddString(IDC_HISTORY_LIST, RunLine(run));
        window->ListSetSelection(IDC_HISTORY_LIST, 0);
    }
    UpdateButtons();
}

void HistoryDialog::OnSelectionChanged() { UpdateButtons(); }

const RunRecord* HistoryDialog::SelectedRun() {
    const int line = window->ListGetSelection(IDC_HISTORY_LIST);
    if (line < 0 || line >= static_cast<int>(runs.size())) return nullptr;
    return &runs[static_cast<std::size_t>(line)];
}

void HistoryDialog::UpdateButtons() {
    const RunRecord* run = SelectedRun();
    window->EnableControl(IDC_OPEN_OUTPUT, run != nullptr && !run->outputFile.empty());
}

void HistoryDialog::OnOpenOutput() {
    const RunRecord* run = SelectedRun();
    if (run == nullptr || run->outputFile.empty()) return;
    FileSystem& files = records->Files();
    if (!files.IsRegularFile(run->outputFile)) {
        window->ShowMessage("The output of the run of " + FormatRunTime(run->start) +
                                " is no longer kept: older output files are removed to keep the folder within "
                                "its limits.\n\n" +
                                run->outputFile,
                            appTitle);
        return;
    }
    // The viewer is the desktop's handler for the file's kind, which for a
    // program or a launcher file would run it: only an output file of this
    // history's own folder is handed over, whatever a changed history line
    // names.
    const std::optional<std::string> own = OutputFileIn(files, run->outputFile, records->GetFolder());
    if (!own) {
        window->ShowMessage(
            "This run's output file is not one kept in the folder of the history, so it is not "
            "opened:\n\n" +
                run->outputFile,
            appTitle);
        return;
    }
    if (!window->OpenInViewer(*own))
        window->ShowMessage("No program could be started to show the output file:\n\n" + run->outputFile, appTitle);
}

void HistoryDialog::OnClose() { window->EndDialog(ID_CANCEL); }

}  // namespace tikr::ui
