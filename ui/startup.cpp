#include "ui/startup.h"

#include <utility>

#include "core/one_line_text.h"
#include "core/run_records.h"
#include "store/file_system.h"
#include "store/profile_location.h"
#include "ui/command_options.h"
#include "ui/scheduler_dialog.h"

namespace tikr::ui {

Startup::Startup(const std::string& executablePath, Platform platformParts)
    : platform(std::move(platformParts)), title(ProgramName(executablePath)) {
    std::string error;
    profilePath = platform.profilePath(executablePath, error);
    if (profilePath.empty()) {
        // Tasks kept in whatever the current folder is would be lost or
        // found by chance: the program says so and ends.
        failure = "There is no place for the profile file " + ProfileFileName(executablePath) + ": " + error +
                  ".\n\nTikr ends without running any task.";
        Report("no place for the profile file: " + error);
        return;
    }

    // One scheduler per profile file. This comes before any window: a later
    // start only asks the running one to show its window and ends.
    guard = platform.acquireGuard(profilePath);
    switch (guard->GetRole()) {
    case InstanceGuard::Role::alreadyRunning:
        if (!guard->GetError().empty()) Report(guard->GetError());
        return;
    case InstanceGuard::Role::unguarded: Report("running without the one-instance guard: " + guard->GetError()); break;
    case InstanceGuard::Role::first:
        if (!guard->GetError().empty()) Report("a later start cannot show this window: " + guard->GetError());
        break;
    }

    // Looked at before anything may write the file.
    std::unique_ptr<FileSystem> systemFiles = platform.files != nullptr ? nullptr : MakeSystemFileSystem();
    freshProfile = !(platform.files != nullptr ? *platform.files : *systemFiles).Identify(profilePath).exists;
    store = platform.files != nullptr ? std::make_unique<ProfileStore>(profilePath, *platform.files)
                                      : std::make_unique<ProfileStore>(profilePath);
    store->SetWriteFailureHandler([this](const WriteFailure& failure) {
        Report("cannot write the profile file " + failure.path + ": " + failure.reason);
        if (schedulerDialog != nullptr) schedulerDialog->OnWriteFailure(failure);
    });
}

Startup::~Startup() {
    Detach();
    if (store) store->SetWriteFailureHandler({});
}

void Startup::Attach(SchedulerDialog& schedulerDialog) {
    this->schedulerDialog = &schedulerDialog;
    schedulerDialog.GetTasks().SetStartFailureHandler([this](const StartFailure& failure) {
        Report(FailureNotices::StartFailureText(failure));
        if (this->schedulerDialog != nullptr) this->schedulerDialog->OnStartFailure(failure);
    });
}

void Startup::AttachRecords(RunRecords& runRecords) {
    records = &runRecords;
    if (schedulerDialog != nullptr) schedulerDialog->GetTasks().SetRunRecords(&runRecords);
    runRecords.SetFailureHandler([this](const std::string& path, const std::string& reason) {
        Report("cannot write the history of runs " + path + ": " + reason);
        if (schedulerDialog != nullptr) schedulerDialog->OnRecordsFailure(path, reason);
    });
}

void Startup::Detach() {
    schedulerDialog = nullptr;
    if (records != nullptr) records->SetFailureHandler({});
    records = nullptr;
}

int Startup::Finish(const SchedulerDialog& schedulerDialog) {
    Detach();
    if (!schedulerDialog.EndedUnsaved()) return 0;
    Report("ended without saving the latest changes (settings, next runs, last runs and their outcomes): " +
           profilePath + " cannot be written");
    return 1;
}

void Startup::Report(const std::string& text) const {
    // Titles, command lines and reasons may hold control characters, which
    // must not reach a terminal raw.
    if (platform.report) platform.report(OneLineText(title + ": " + text, std::string::npos, InvalidBytes::keep));
}

}  // namespace tikr::ui
