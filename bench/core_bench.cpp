// Task list load, save and an idle check pass for 100, 1,000 and 10,000
// tasks, beside the baselines of parsing the same profile file once and
// writing it once.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/task_list.h"
#include "fake_clock.h"
#include "fake_platform.h"
#include "platform/system_clock.h"
#include "store/profile_store.h"
#include "temp_dir.h"

namespace {

using namespace tikr;

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
    SystemClock clock;
    test::RecordingLauncher launcher;
    test::FakeMessageDisplay messages;
};

void BM_ParseFileOnce(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ProfileStore store(profile.path);
        benchmark::DoNotOptimize(store.ReadInt("settings", "NumApps", 0));
    }
}

void BM_TaskListLoad(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ProfileStore store(profile.path);
        CoreServices services{store, profile.clock, profile.launcher, profile.messages};
        TaskList list(services);
        list.Load();
        benchmark::DoNotOptimize(list.GetCount());
    }
}

void BM_WriteFileOnce(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    ProfileStore store(profile.path);
    int n = 0;
    for (auto _ : state) {
        // One changed key makes the store write the whole file once.
        store.WriteInt("settings", "bench", ++n);
    }
}

// A profile of count tasks, loaded into a task list as the program does.
struct LoadedList {
    explicit LoadedList(int count) : profile(count), store(profile.path) { list.Load(); }
    Profile profile;
    ProfileStore store;
    CoreServices services{store, profile.clock, profile.launcher, profile.messages};
    TaskList list{services};
};

void BM_TaskListSaveAll(benchmark::State& state) {
    LoadedList loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(loaded.list.Save(ALL_TASKS));
}

void BM_CheckAllNothingDue(benchmark::State& state) {
    LoadedList loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) loaded.list.CheckAll();
    if (!loaded.profile.launcher.started.empty() || !loaded.profile.messages.shown.empty()) {
        state.SkipWithError("a task ran");
    }
}

// A tick at which every one of count tasks is due: daily application tasks
// whose stored next run has passed, on a real file and a fake launcher. The
// time is that of the whole pass, from the tick to the last start.
void BM_CheckAllEveryTaskDue(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    test::TempDir dir;
    const std::string path = dir.File("bench.INI");
    std::string text = "[settings]\nNumApps=" + std::to_string(count) + "\n";
    for (int i = 1; i <= count; ++i) {
        text += "[App" + std::to_string(i) + "]\ntitle=Task " + std::to_string(i) +
                "\nTask=Application\ncommand=/usr/bin/true " + std::to_string(i) +
                "\ntype=Daily\nwhen=08:00\nRunMissedOnStartup=Yes\nNextAt=01-Dec-2026 08:00:00\n";
    }
    test::FakeClock clock{2026, 12, 8, 14, 30, 0};
    test::RecordingLauncher launcher;
    test::FakeMessageDisplay messages;
    for (auto _ : state) {
        state.PauseTiming();
        test::TempDir::WriteFile(path, text);
        ProfileStore store(path);
        CoreServices services{store, clock, launcher, messages};
        TaskList list(services);
        list.Load();
        launcher.started.clear();
        state.ResumeTiming();
        list.CheckAll();
        state.PauseTiming();
        if (launcher.started.size() != static_cast<std::size_t>(count)) state.SkipWithError("not every task ran");
        state.ResumeTiming();
    }
}

// A damaged file holding only a task count: every task is a default one,
// an interval of 0:00 with an empty command, due at every check.
void BM_CheckAllDefaultTasks(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    test::TempDir dir;
    const std::string path = dir.File("bench.INI");
    test::TempDir::WriteFile(path, "[settings]\nNumApps=" + std::to_string(count) + "\n");
    test::FakeClock clock{2026, 12, 8, 14, 30, 0};
    test::RecordingLauncher launcher;
    test::FakeMessageDisplay messages;
    ProfileStore store(path);
    CoreServices services{store, clock, launcher, messages};
    TaskList list(services);
    list.Load();
    for (auto _ : state) {
        clock.Advance(10);
        list.CheckAll();
    }
    if (launcher.started.size() != static_cast<std::size_t>(count) * state.iterations()) {
        state.SkipWithError("not every task ran");
    }
}

}  // namespace

BENCHMARK(BM_CheckAllEveryTaskDue)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CheckAllDefaultTasks)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ParseFileOnce)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaskListLoad)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFileOnce)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaskListSaveAll)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckAllNothingDue)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
