#pragma once
// The whole program behind a toolkit-free entry point: the application
// object, the services, the scheduler and its main window.

namespace tikr::qt {

// Runs the scheduler until its main window ends; returns the process's
// exit status.
int RunSchedulerApplication(int argc, char** argv);

}  // namespace tikr::qt
