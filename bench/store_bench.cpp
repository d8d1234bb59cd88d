// Profile store cost at the size of a large task list: 10,000 tasks of
// ten keys each, read and written inside one batch, as loading and saving
// the whole list do.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "store/ini_document.h"
#include "store/profile_store.h"

namespace {

constexpr int TASKS = 10000;

const char* const KEYS[] = {"title",  "Disabled", "Task",    "type", "when", "RunMissedOnStartup",
                            "NextAt", "SkipDays", "command", "show"};

std::string TempPath() {
    std::random_device rd;
    return (std::filesystem::temp_directory_path() / ("tikr-bench-" + std::to_string(rd()) + ".INI")).string();
}

void SaveAll(tikr::ProfileStore& store) {
    tikr::ProfileStore::Batch batch(store);
    store.WriteInt("Settings", "NumApps", TASKS);
    for (int i = 1; i <= TASKS; ++i) {
        const std::string section = "App" + std::to_string(i);
        store.WriteString(section, "title", "Task number " + std::to_string(i));
        store.WriteInt(section, "Disabled", i % 2);
        store.WriteString(section, "Task", "Application");
        store.WriteString(section, "type", "Daily");
        store.WriteString(section, "when", "08:30");
        store.WriteString(section, "RunMissedOnStartup", "Yes");
        store.WriteString(section, "NextAt", "09-Dec-2026 08:30:00");
        store.WriteString(section, "SkipDays", "1000001");
        store.WriteString(section, "command", "/usr/bin/backup --all");
        store.WriteInt(section, "show", 5);
    }
    batch.Commit();
}

// The whole-list save into an existing file: 100,001 writes, one file.
void BM_StoreSaveTenThousandTasks(benchmark::State& state) {
    const std::string path = TempPath();
    tikr::ProfileStore store(path);
    SaveAll(store);
    for (auto _ : state) SaveAll(store);
    std::filesystem::remove(path);
}
BENCHMARK(BM_StoreSaveTenThousandTasks)->Unit(benchmark::kMillisecond);

// The first whole-list save, into no file: every section and key is new.
void BM_StoreFirstSaveTenThousandTasks(benchmark::State& state) {
    const std::string path = TempPath();
    for (auto _ : state) {
        std::filesystem::remove(path);
        tikr::ProfileStore store(path);
        SaveAll(store);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_StoreFirstSaveTenThousandTasks)->Unit(benchmark::kMillisecond);

// The whole-list load from a fresh store: one parse, then 110,001 reads.
void BM_StoreLoadTenThousandTasks(benchmark::State& state) {
    const std::string path = TempPath();
    {
        tikr::ProfileStore writer(path);
        SaveAll(writer);
    }
    for (auto _ : state) {
        tikr::ProfileStore store(path);
        tikr::ProfileStore::Batch batch(store);
        long long sum = store.ReadInt("settings", "NumApps", 0);
        for (int i = 1; i <= TASKS; ++i) {
            const std::string section = "App" + std::to_string(i);
            for (const char* key : KEYS) sum += static_cast<long long>(store.ReadString(section, key).size());
        }
        benchmark::DoNotOptimize(sum);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_StoreLoadTenThousandTasks)->Unit(benchmark::kMillisecond);

// Parsing alone, of the 110,000-line file text.
void BM_IniParseTenThousandTasks(benchmark::State& state) {
    tikr::IniDocument source;
    for (int i = 1; i <= TASKS; ++i) {
        const std::string section = "App" + std::to_string(i);
        for (const char* key : KEYS) source.Set(section, key, "value of some length");
    }
    const std::string text = source.Serialize();
    for (auto _ : state) {
        tikr::IniDocument doc;
        doc.Parse(text);
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_IniParseTenThousandTasks)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
