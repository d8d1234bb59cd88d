#include "ui/qt/scheduler_app.h"

int main(int argc, char** argv) { return tikr::qt::RunSchedulerApplication(argc, argv); }
