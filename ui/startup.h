#pragma once
// The start of the program that is not about a toolkit, shared by the front
// ends: the names taken from the executable, the one-instance rule, and the
// profile store with its write-failure reports. A front end's main:
//
//   ui::Startup startup(executablePath, {ProfilePath, AcquireInstanceGuard, printLine});
//   if (!startup.ShouldRun()) return 0;      // another one runs and was asked to show itself
//   ... the toolkit's application object, clock, launcher, message display ...
//   ui::SchedulerSetup setup(startup, startup.Services(clock, launcher, messages), ...);
//   ... run the window; startup.GetGuard().ServeShowRequests(...) ...
//   return setup.Finish();                   // non-zero when changes are lost
#include <functional>
#include <memory>
#include <string>

#include "core/core_services.h"
#include "core/run_records.h"
#include "instance/instance_guard.h"
#include "store/profile_store.h"

namespace tikr::ui {

class SchedulerDialog;

class Startup {
public:
    // What start-up needs of the platform, given by the front end (tests
    // give fakes).
    struct Platform {
        // The profile file's full path for the executable (ProfilePath);
        // empty, with error saying why, when it has no place.
        std::function<std::string(const std::string& executablePath, std::string& error)> profilePath;
        // The platform's one-instance guard for the profile file.
        std::function<std::unique_ptr<InstanceGuard>(const std::string& profilePath)> acquireGuard;
        // Where the program's own error lines go (standard error, a debug
        // log): each call is one line without its line break.
        std::function<void(const std::string& line)> report;
        // The files the profile store works through; the operating
        // system's when none are given (tests give a disk that fills up).
        FileSystem* files = nullptr;
    };

    // Forms the names from the executable's full path and acquires the
    // guard; a start that is to run also opens the profile store.
    Startup(const std::string& executablePath, Platform platform);
    ~Startup();
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;

    // False when another scheduler runs (it was asked to show its window),
    // or when the profile file has no place (GetFailure): the process ends
    // without a window.
    bool ShouldRun() const { return store != nullptr; }
    // Why the program cannot run at all, for a box captioned with the
    // title; empty when it can, or when another scheduler runs.
    const std::string& GetFailure() const { return failure; }

    // The application title: the executable's name without directory and
    // extension, "tikr" when the path gives none.
    const std::string& GetTitle() const { return title; }
    const std::string& GetProfilePath() const { return profilePath; }
    // This start found no profile file: the user's first.
    bool IsFreshProfile() const { return freshProfile; }
    // Only when the profile file has a place (GetFailure() is empty).
    InstanceGuard& GetGuard() { return *guard; }
    // Only when ShouldRun().
    ProfileStore& GetStore() { return *store; }

    CoreServices Services(const Clock& clock, ProcessLauncher& launcher, MessageDisplay& messages) {
        return CoreServices{*store, clock, launcher, messages};
    }

    // From now on failed writes of the store also reach the window, until
    // Detach or the end of the start-up object. Each is reported as a line
    // whether or not a window is attached.
    void Attach(SchedulerDialog& schedulerDialog);
    // After Attach: the window's runs keep their records there, and a
    // history that cannot be written is reported (once, until a write
    // succeeds again) as failed profile writes are.
    void AttachRecords(RunRecords& records);
    void Detach();
    // After the window ended: detaches it and gives the process's exit
    // status, 0 when everything was stored, and 1 (said on a report line)
    // when the window's last write failed and changes are lost.
    int Finish(const SchedulerDialog& schedulerDialog);

private:
    void Report(const std::string& text) const;

    Platform platform;
    std::string title;
    std::string profilePath;
    std::string failure;
    bool freshProfile = false;
    std::unique_ptr<InstanceGuard> guard;
    std::unique_ptr<ProfileStore> store;
    SchedulerDialog* schedulerDialog = nullptr;
    RunRecords* records = nullptr;
};

}  // namespace tikr::ui
