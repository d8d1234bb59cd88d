// What loading and saving the task list cost beside what reading and
// writing the profile file costs: a bare read of the file split into
// lines, the store's parse of it, a task list load, one write of the file,
// whole-list saves and the "--list" listing, at 10,000 and 100,000 tasks. Heap counters give
// what a parsed file and a loaded list keep, and their ratio to the file.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench_profile.h"
#include "heap_counter.h"
#include "store/file_system.h"
#include "ui/task_listing.h"

namespace {

using namespace tikr;
using bench::LiveHeapBytes;
using bench::LoadedList;
using bench::Profile;

void SetFileCounters(benchmark::State& state, const std::string& path) {
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void SetHeapCounters(benchmark::State& state, const std::string& path, std::size_t heap) {
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(path));
    state.counters["heap_bytes"] = static_cast<double>(heap);
    state.counters["heap_per_file"] = static_cast<double>(heap) / fileBytes;
}

// The least any load can do: read the file and find its lines.
void BM_ReadAndSplit(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    for (auto _ : state) {
        FileSystem::ReadResult read = files->Read(profile.path);
        std::vector<std::string_view> lines;
        const char* data = read.text.data();
        const char* end = data + read.text.size();
        while (data < end) {
            const void* lf = std::memchr(data, '\n', static_cast<std::size_t>(end - data));
            const char* next = lf != nullptr ? static_cast<const char*>(lf) + 1 : end;
            lines.emplace_back(data, static_cast<std::size_t>(next - data));
            data = next;
        }
        benchmark::DoNotOptimize(lines.data());
    }
    SetFileCounters(state, profile.path);
}

// The store reads and parses the file at its first read.
void BM_ParseFile(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ProfileStore store(profile.path);
        benchmark::DoNotOptimize(store.ReadInt("settings", "NumApps", 0));
    }
    const std::size_t before = LiveHeapBytes();
    auto store = std::make_unique<ProfileStore>(profile.path);
    benchmark::DoNotOptimize(store->ReadInt("settings", "NumApps", 0));
    SetHeapCounters(state, profile.path, LiveHeapBytes() - before);
}

// A start's load: read, parse, build every task. The next runs it
// recomputes are the stored ones, so nothing is written.
void BM_TaskListLoad(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ProfileStore store(profile.path);
        CoreServices services{store, profile.clock, profile.launcher, profile.messages};
        TaskList list(services);
        list.Load();
        benchmark::DoNotOptimize(list.GetCount());
    }
    const std::size_t before = LiveHeapBytes();
    {
        auto store = std::make_unique<ProfileStore>(profile.path);
        CoreServices services{*store, profile.clock, profile.launcher, profile.messages};
        auto list = std::make_unique<TaskList>(services);
        list->Load();
        SetHeapCounters(state, profile.path, LiveHeapBytes() - before);
    }
}

// "--list": the same load, task by task, into a table; the most it holds
// at once beside the file.
void BM_ListProfileTasks(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    for (auto _ : state) benchmark::DoNotOptimize(ui::ListProfileTasks(profile.path, *files, profile.clock).table);
    const std::size_t before = bench::StartPeakHeapBytes();
    benchmark::DoNotOptimize(ui::ListProfileTasks(profile.path, *files, profile.clock).table);
    SetHeapCounters(state, profile.path, bench::PeakHeapBytes() - before);
}

// A load a minute later: every interval task's next run moves, and the
// load stores them in one write.
void BM_TaskListLoadMovingNextRuns(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        profile.clock.Advance(60);
        ProfileStore store(profile.path);
        CoreServices services{store, profile.clock, profile.launcher, profile.messages};
        TaskList list(services);
        list.Load();
        benchmark::DoNotOptimize(list.GetCount());
    }
}

// One replacement of the whole file.
void BM_WriteFileOnce(benchmark::State& state) {
    Profile profile(static_cast<int>(state.range(0)));
    ProfileStore store(profile.path);
    int n = 0;
    // One changed key makes the store write the whole file once.
    for (auto _ : state) store.WriteInt("settings", "bench", ++n);
    SetFileCounters(state, profile.path);
}

// A whole-list save that writes the values already stored: no write.
void BM_TaskListSaveAllUnchanged(benchmark::State& state) {
    LoadedList loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(loaded.list.Save(ALL_TASKS));
}

// A whole-list save in which every task's title changed: every section is
// written to and the file replaced once.
void BM_TaskListSaveAll(benchmark::State& state) {
    LoadedList loaded(static_cast<int>(state.range(0)));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (int i = 0; i < loaded.list.GetCount(); ++i)
            loaded.list.GetTask(i)->SetTitle("Task " + std::to_string(i) + " round " + std::to_string(round));
        state.ResumeTiming();
        benchmark::DoNotOptimize(loaded.list.Save(ALL_TASKS));
    }
}

}  // namespace

BENCHMARK(BM_ReadAndSplit)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaskListLoad)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListProfileTasks)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaskListLoadMovingNextRuns)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteFileOnce)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaskListSaveAllUnchanged)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TaskListSaveAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
