// A writer killed at any moment while saving the whole list leaves a file
// that loads as the old list or the new one, never a mixture.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "core/task_list.h"
#include "core_fixture.h"
#include "killed_writer.h"

namespace tikr::test {
namespace {

class CrashSafetyTest : public CoreFixture {
protected:
    // Fills the list with count tasks titled "<prefix>-<n>".
    void Fill(TaskList& list, const std::string& prefix, int count) {
        while (list.GetCount() > 0) list.RemoveTask(0);
        for (int i = 0; i < count; ++i) {
            list.Append(std::make_unique<Task>(services, prefix + "-" + std::to_string(i), 0));
        }
    }
};

TEST_F(CrashSafetyTest, KilledWriterLeavesTheOldOrTheNewList) {
    constexpr int OLD_COUNT = 40;
    constexpr int NEW_COUNT = 65;
    {
        TaskList list(services);
        Fill(list, "old", OLD_COUNT);
        ASSERT_TRUE(list.Save(ALL_TASKS));
    }
    std::mt19937 random(12345);
    int sawOld = 0;
    int sawNew = 0;
    int insideSave = 0;
    const int rounds = KillRounds(25);
    for (int round = 0; round < rounds; ++round) {
        // The writer: saves the two lists in turn until it is killed.
        const KillResult result = KillWriterAtRandom(
            [&](int n) {
                ProfileStore childStore(path);
                CoreServices childServices{childStore, clock, launcher, messages};
                TaskList list(childServices);
                const bool isNew = n % 2 == 0;
                for (int i = 0; i < (isNew ? NEW_COUNT : OLD_COUNT); ++i) {
                    list.Append(
                        std::make_unique<Task>(childServices, (isNew ? "new-" : "old-") + std::to_string(i), 0));
                }
                list.Save(ALL_TASKS);
            },
            random, std::chrono::milliseconds(30));
        ASSERT_NE(result, KillResult::writerFailed) << "round " << round;
        if (result == KillResult::insideSave) ++insideSave;

        ProfileStore reader(path);
        CoreServices readerServices{reader, clock, launcher, messages};
        TaskList loaded(readerServices);
        loaded.Load();
        const int count = loaded.GetCount();
        ASSERT_TRUE(count == OLD_COUNT || count == NEW_COUNT) << "round " << round << ": " << count << " tasks";
        const std::string prefix = count == OLD_COUNT ? "old-" : "new-";
        (count == OLD_COUNT ? sawOld : sawNew)++;
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(loaded.GetTask(i)->GetTitle(), prefix + std::to_string(i)) << "round " << round;
        }
    }
    EXPECT_GT(sawOld + sawNew, 0);
    EXPECT_GT(insideSave, 0) << "no kill landed inside a save";
}

}  // namespace
}  // namespace tikr::test
