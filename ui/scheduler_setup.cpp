#include "ui/scheduler_setup.h"

#include <chrono>

#include "store/profile_location.h"
#include "ui/startup.h"

namespace tikr::ui {

SchedulerSetup::SchedulerSetup(Startup& startup, const CoreServices& services, LoginEntryPort& loginEntry,
                               const std::string& executablePath, const std::string& notificationName)
    : startup(startup),
      services(services),
      schedulerDialog(this->services, startup.GetTitle()),
      loginStart(loginEntry, startup.IsFreshProfile()),
      // Each run's output file and line in the history of runs. The folder
      // is looked at whole at most once a second.
      records(RunRecordsFolder(executablePath), std::chrono::seconds(1)) {
    if (!notificationName.empty()) schedulerDialog.SetNotificationName(notificationName);
    startup.Attach(schedulerDialog);
    schedulerDialog.SetLoginStart(&loginStart);
    if (!records.GetFolder().empty()) startup.AttachRecords(records);
}

SchedulerSetup::~SchedulerSetup() { startup.Detach(); }

int SchedulerSetup::Finish() { return startup.Finish(schedulerDialog); }

}  // namespace tikr::ui
