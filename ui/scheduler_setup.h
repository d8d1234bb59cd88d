#pragma once
// The wiring both front ends share between the start-up and the window: the
// SchedulerDialog over the services, the "Start at Login" box over the
// desktop's entry, and the history of runs beside the profile, each
// attached to the start-up so that their failures are reported. A front
// end's main:
//
//   ui::SchedulerSetup setup(startup, startup.Services(clock, launcher, messages), loginEntry, executablePath);
//   ... run the window on setup.GetSchedulerDialog() ...
//   return setup.Finish();                   // non-zero when changes are lost
#include <string>

#include "core/core_services.h"
#include "core/login_entry.h"
#include "core/run_records.h"
#include "ui/login_start.h"
#include "ui/scheduler_dialog.h"

namespace tikr::ui {

class Startup;

class SchedulerSetup {
public:
    // notificationName: what notifications begin with, the title when
    // empty.
    SchedulerSetup(Startup& startup, const CoreServices& services, LoginEntryPort& loginEntry,
                   const std::string& executablePath, const std::string& notificationName = {});
    // Detaches the window and the history from the start-up.
    ~SchedulerSetup();
    SchedulerSetup(const SchedulerSetup&) = delete;
    SchedulerSetup& operator=(const SchedulerSetup&) = delete;

    SchedulerDialog& GetSchedulerDialog() { return schedulerDialog; }
    // After the window ended: the process's exit status (Startup::Finish).
    int Finish();

private:
    Startup& startup;
    const CoreServices services;
    SchedulerDialog schedulerDialog;
    LoginStartSetting loginStart;
    RunRecords records;
};

}  // namespace tikr::ui
