// Check passes: an idle one over 100 to 10,000 tasks, one at which every
// task is due, and one over a damaged file's default tasks.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/task_list.h"
#include "bench_profile.h"
#include "fake_clock.h"
#include "fake_platform.h"
#include "store/profile_store.h"
#include "temp_dir.h"

namespace {

using namespace tikr;
using bench::LoadedList;

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
BENCHMARK(BM_CheckAllNothingDue)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
