// A task list loaded from any profile text and checked over simulated
// hours with a fake clock: no crash, no hang, and after every check pass
// no enabled task has a next run in the past. A message box sometimes
// runs a nested pass or removes a task, as the user could.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/task_list.h"
#include "fake_clock.h"
#include "fake_platform.h"
#include "store/profile_store.h"
#include "temp_dir.h"

namespace {

using namespace tikr;

// Loading builds a task per counted section; counts beyond this only make
// a run slow without reaching other code.
constexpr int MAX_FUZZ_TASKS = 300;

void CheckNoNextRunInThePast(const TaskList& list, const Clock& clock) {
    const DateTime now = DateTime::Now(clock);
    for (int i = 0; i < list.GetCount(); ++i) {
        const Task* task = list.GetTask(i);
        if (task->IsDisabled()) continue;
        const DateTime& next = task->GetSchedule()->GetNextRun();
        if (!next.IsValid() || !(now <= next)) {
            std::fprintf(stderr, "task %d of %d kind %d: next run %s (%.9f, %s) at %s\n", i, list.GetCount(),
                         task->GetSchedule()->GetKind(), next.Format("%d-%b-%Y %H:%M:%S").c_str(), next.GetDayNumber(),
                         next.IsValid() ? "valid" : "invalid", now.Format("%d-%b-%Y %H:%M:%S").c_str());
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static test::TempDir dir;
    const std::string path = dir.File("tikr.INI");

    FuzzedDataProvider input(data, size);
    const int period = input.ConsumeIntegralInRange(1, 3600);
    const int checks = input.ConsumeIntegralInRange(1, 40);
    const int boxBehaviour = input.ConsumeIntegralInRange(0, 2);  // 0 close, 1 nested pass, 2 remove a task
    test::TempDir::WriteFile(path, input.ConsumeRemainingBytesAsString());

    ProfileStore store(path);
    if (store.ReadInt("settings", "NumApps", 0) > MAX_FUZZ_TASKS) return 0;
    test::FakeClock clock{2026, 12, 8, 14, 30, 0};
    test::RecordingLauncher launcher;
    test::FakeMessageDisplay messages;
    const CoreServices services{store, clock, launcher, messages};
    TaskList list(services);
    list.Load();

    int depth = 0;
    bool removed = false;
    messages.onShow = [&](const std::string&) {
        if (depth > 0) return;
        ++depth;
        if (boxBehaviour == 1) list.CheckAll();
        if (boxBehaviour == 2 && list.GetCount() > 0) {
            list.RemoveTask(0);
            removed = true;
        }
        --depth;
    };
    for (int i = 0; i < checks; ++i) {
        clock.Advance(period);
        removed = false;
        list.CheckAll();
        // A removal under a suspended pass moves later tasks to indexes the
        // pass has passed; they are checked at the next pass.
        if (!removed) CheckNoNextRunInThePast(list, clock);
    }
    return 0;
}
