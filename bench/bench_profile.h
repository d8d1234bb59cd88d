#pragma once
// A profile file of a given number of tasks of every kind (about 200 bytes
// each), written by the program itself, and the same loaded into a task
// list. The clock stands still, so a load recomputes the next runs that
// are stored and has nothing to write.
#include <memory>
#include <string>

#include "core/task_list.h"
#include "fake_clock.h"
#include "fake_platform.h"
#include "store/profile_store.h"
#include "temp_dir.h"

namespace tikr::bench {

struct Profile {
    explicit Profile(int count) : path(dir.File("bench.INI")) {
        ProfileStore store(path);
        CoreServices services{store, clock, launcher, messages};
        TaskList list(services);
        for (int i = 0; i < count; ++i) {
            auto task = std::make_unique<Task>(services, "Task number " + std::to_string(i + 1), 0);
            DateTime time;
            time.SetDateTime(1899, 12, 30, i % 24, i % 60, 0);
            switch (i % 4) {
            case 0:
                task->SetSchedule(
                    std::make_unique<DailySchedule>(services, time, 1, DailySchedule::SkipDays{1, 0, 0, 0, 0, 0, 1}));
                break;
            case 1: task->SetSchedule(std::make_unique<WeeklySchedule>(services, time, 1, i % 7)); break;
            case 2: task->SetSchedule(std::make_unique<MonthlySchedule>(services, time, 0, 1 + i % 28)); break;
            default: task->SetSchedule(std::make_unique<IntervalSchedule>(services, time, 1)); break;
            }
            if (i % 2 == 0)
                task->SetAction(
                    std::make_unique<RunApplicationAction>(services, "/usr/bin/true --task " + std::to_string(i), 5));
            list.Append(std::move(task));
        }
        list.Save(ALL_TASKS);
    }
    test::TempDir dir;
    std::string path;
    test::FakeClock clock{2026, 12, 9, 12, 0, 0};
    test::RecordingLauncher launcher;
    test::FakeMessageDisplay messages;
};

// A profile of count tasks, loaded into a task list as the program does.
struct LoadedList {
    explicit LoadedList(int count) : profile(count), store(profile.path) { list.Load(); }
    Profile profile;
    ProfileStore store;
    CoreServices services{store, profile.clock, profile.launcher, profile.messages};
    TaskList list{services};
};

}  // namespace tikr::bench
