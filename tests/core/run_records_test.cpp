// The output files of runs and the history of runs in their folder.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "core/run_records.h"
#include "core_fixture.h"
#include "special_files.h"

namespace tikr::test {
namespace {

namespace fs = std::filesystem;

DateTime At(int day, int hour, int minute, int second) {
    DateTime when;
    when.SetDateTime(2026, 12, day, hour, minute, second);
    return when;
}

class RunRecordsTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string folder = dir.File("state/tikr");
    RunRecords records{folder};

    std::size_t OutputFiles() const {
        std::size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().rfind("2026-", 0) == 0) ++count;
        return count;
    }
};

TEST_F(RunRecordsTest, HistoryKeepsItsLastLinesAndSkipsWhatItDidNotWrite) {
    ASSERT_TRUE(records.Append({At(9, 9, 0, 0), "Back\tup\nnow", "exited with status 3 after 1 s", 1, "/x/a.log"}));
    EXPECT_EQ(TempDir::ReadFile(records.HistoryPath()),
              "2026-12-09 09:00:00\tBack up now\texited with status 3 after 1 s\t1\t/x/a.log\n");
    // Damaged, foreign and hand-edited lines are skipped, never fatal.
    std::ofstream(records.HistoryPath(), std::ios::app | std::ios::binary)
        << "garbage\n2026-13-09 09:00:00\tt\to\t1\tf\n2026-12-09 09:00:00\tt\to\tx\tf\n"
        << "2026-12-09 09:00:00\tt\to\t1\n\xff\xfe\t\t\t\t\n2026-12-09 09:00:01\tWindows\tok\t2\t\r\n";
    // No raw control character reaches the file (a terminal showing it).
    EXPECT_EQ(HistoryField("a\x01\x1b[31m\x7f\u0085b"), "a  [31m  b");
    std::vector<RunRecord> runs = records.ReadHistory();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].title, "Back up now");
    EXPECT_EQ(runs[0].seconds, 1);
    EXPECT_EQ(runs[0].outputFile, "/x/a.log");
    EXPECT_EQ(runs[1].title, "Windows");
    EXPECT_EQ(runs[1].outputFile, "");

    for (int i = 0; i < 1005; ++i) records.Append({At(10, 0, 0, 0), "run " + std::to_string(i), "ok", i, ""});
    runs = records.ReadHistory();
    ASSERT_EQ(runs.size(), RunRecords::MAX_HISTORY_LINES);
    EXPECT_EQ(runs.front().title, "run 5");
    EXPECT_EQ(runs.back().title, "run 1004");
}

// A user folder named in scripts no ANSI code page holds together: on
// Windows the records must reach it through the wide calls, not the
// folder's name in the code page.
TEST(RunRecordsFolder, ANameInAnyScriptHoldsTheOutputFilesAndTheHistory) {
    TempDir dir;
    const std::u8string name = u8"\u039d\u03af\u03ba\u03bf\u03c2-\u0411\u043e\u0440\u0438\u0441";
    const fs::path where = dir.Path() / name;
    const std::u8string whereText = where.u8string();
    RunRecords records(std::string(whereText.begin(), whereText.end()));
    const std::string output = records.NewOutputFile(At(9, 9, 0, 0), "Backup");
    ASSERT_TRUE(fs::is_directory(where));
    EXPECT_EQ(output.rfind(records.GetFolder(), 0), 0u) << output;
    std::ofstream(where / "2026-12-09_090000 Backup.log") << "out\n";
    EXPECT_NE(records.NewOutputFile(At(9, 9, 0, 0), "Backup"), output);  // the name is taken

    ASSERT_TRUE(records.Append({At(9, 9, 0, 0), "Backup", "exited with code 3 after 1 s", 1, output}));
    EXPECT_TRUE(fs::is_regular_file(where / RunRecords::HISTORY_FILE));
    const std::vector<RunRecord> runs = records.ReadHistory();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].outputFile, output);
}

TEST_F(RunRecordsTest, OutputFilesAreNamedByStartAndTitleAndTheNewestAreKept) {
    EXPECT_EQ(FileNameTitle("Back up/home: *all*"), "Back up_home_ _all_");
    EXPECT_EQ(FileNameTitle(".."), "task");
    EXPECT_EQ(FileNameTitle(""), "task");
    EXPECT_EQ(FileNameTitle(std::string(100, 'x')).size(), 60u);

    const std::string first = records.NewOutputFile(At(9, 9, 0, 0), "../Backup");
    EXPECT_EQ(first, (fs::path(folder) / "2026-12-09_090000 _Backup.log").string());
    TempDir::WriteFile(first, "out\n");
    EXPECT_EQ(records.NewOutputFile(At(9, 9, 0, 0), "../Backup"),
              (fs::path(folder) / "2026-12-09_090000 _Backup (2).log").string());

    // A thousand older runs and a file that is not ours.
    TempDir::WriteFile(folder + "/notes.log", "mine");
    for (int i = 0; i < 1000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/2026-11-%02d_%06d t.log", 1 + i / 100, i);
        TempDir::WriteFile(folder + name, "x");
    }
    records.NewOutputFile(At(9, 9, 0, 1), "t");
    EXPECT_EQ(OutputFiles(), RunRecords::MAX_OUTPUT_FILES - 1);  // room for the new run's
    EXPECT_TRUE(fs::exists(first));
    EXPECT_TRUE(fs::exists(folder + "/notes.log"));
    EXPECT_FALSE(fs::exists(folder + "/2026-11-01_000000 t.log"));

    // Within the size: the 50 MB run is kept, the one before that would
    // bring the folder beyond 64 MB goes; the smaller older ones stay.
    fs::resize_file(folder + "/2026-11-10_000999 t.log", 50ull << 20);
    fs::resize_file(folder + "/2026-11-10_000998 t.log", 20ull << 20);
    records.NewOutputFile(At(9, 9, 0, 2), "t");
    EXPECT_TRUE(fs::exists(folder + "/2026-11-10_000999 t.log"));
    EXPECT_FALSE(fs::exists(folder + "/2026-11-10_000998 t.log"));
    EXPECT_TRUE(fs::exists(folder + "/2026-11-10_000997 t.log"));
    EXPECT_TRUE(fs::exists(first));
}

TEST_F(RunRecordsTest, ABurstOfRunsBetweenLooksAtTheFolderStaysWithinTheCount) {
    // The folder is looked at whole only once within the pause: the runs of
    // one burst are counted instead, and the count limit still holds.
    RunRecords paused{folder, std::chrono::hours(1)};
    for (int i = 0; i < 1100; ++i) {
        const std::string file = paused.NewOutputFile(At(9, 9, i / 60, i % 60), "t");
        TempDir::WriteFile(file, "x");
        paused.RunEnded(file);
        ASSERT_LE(OutputFiles(), RunRecords::MAX_OUTPUT_FILES) << "after run " << i;
    }
    EXPECT_GE(OutputFiles(), RunRecords::MAX_OUTPUT_FILES - 1);
    EXPECT_TRUE(fs::exists(folder + "/2026-12-09_091819 t.log"));  // the newest
}

#ifndef _WIN32
unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

// A history that is no regular file, or ends in a piece of a line: the run
// goes on, the line is kept and written once the file is fit again, and the
// failure is told once.
TEST_F(RunRecordsTest, AHistoryThatIsNoFileKeepsItsLinesForLater) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        bool written;
    } cases[] = {
        {"a FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, false},
        {"a link to a device", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }, false},
        {"a folder", [](const std::string& p) { fs::create_directory(p); }, false},
        {"a piece of a line", [](const std::string& p) { TempDir::WriteFile(p, "2026-12-09 09:00:00\tcut"); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        RunRecords fresh{folder};
        int told = 0;
        fresh.SetFailureHandler([&told](const std::string&, const std::string&) { ++told; });
        const std::string path = fresh.HistoryPath();
        fs::create_directories(folder);
        c.make(path);
        EXPECT_EQ(fresh.Append({At(9, 9, 0, 0), "one", "ok", 1, ""}), c.written);
        EXPECT_EQ(fresh.Append({At(9, 9, 0, 1), "two", "ok", 1, ""}), c.written);
        EXPECT_EQ(told, c.written ? 0 : 1);
        std::string problem;
        EXPECT_EQ(fresh.ReadHistory(&problem).size(), 2u);  // written or kept
        EXPECT_EQ(problem.empty(), c.written);
        if (!c.written) {
            fs::remove(path);
            EXPECT_TRUE(fresh.WritePending());
        }
        const std::vector<RunRecord> runs = fresh.ReadHistory();
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[0].title, "one");
        EXPECT_EQ(runs[1].title, "two");
        EXPECT_EQ(Mode(path), 0600u);
    }
}

// Private to the user, whatever the umask and an older folder's modes, and
// across trims.
TEST_F(RunRecordsTest, TheFolderAndItsFilesAreTheUsersOnly) {
    const mode_t umask = ::umask(022);
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms(0755));
    TempDir::WriteFile(records.HistoryPath(), "");
    fs::permissions(records.HistoryPath(), fs::perms(0644));
    for (int i = 0; i < 1200; ++i) records.Append({At(9, 9, 0, 0), "t", "ok", i, ""});
    ::umask(umask);
    EXPECT_EQ(Mode(folder), 0700u);
    EXPECT_EQ(Mode(records.HistoryPath()), 0600u);
    EXPECT_EQ(Mode(folder + "/" + RunRecords::LOCK_FILE), 0600u);
    EXPECT_LT(records.ReadHistory().size(), 1200u);  // trimmed
}

// Two schedulers appending to one history while each trims it: no line
// falls between another's read and its rename.
TEST_F(RunRecordsTest, AppendsAndTrimsOfTwoWritersLoseNoLine) {
    RunRecords other{folder};
    const auto write = [](RunRecords& to, const std::string& who) {
        for (int i = 0; i < 1500; ++i) to.Append({At(9, 9, 0, 0), who, "ok", i, ""});
    };
    std::thread first(write, std::ref(records), "a");
    write(other, "b");
    first.join();
    // Each writer's lines that are left run without a gap up to its last;
    // a writer that ended before the other began may have none left.
    int writersLeft = 0;
    for (const char* who : {"a", "b"}) {
        long long next = -1;
        for (const RunRecord& run : records.ReadHistory()) {
            if (run.title != who) continue;
            if (next >= 0) {
                EXPECT_EQ(run.seconds, next) << who;
            }
            next = run.seconds + 1;
        }
        if (next < 0) continue;
        EXPECT_EQ(next, 1500) << who;
        ++writersLeft;
    }
    EXPECT_GE(writersLeft, 1);
}

// A running program's file is never removed: the others go, and a running
// one beyond the size alone is cut, which its outcome is told.
TEST_F(RunRecordsTest, ARunningProgramsFileStaysAndIsCutInsteadOfRemoved) {
    const std::string old = records.NewOutputFile(At(9, 9, 0, 0), "old");
    TempDir::WriteFile(old, "x");
    records.RunEnded(old);
    const std::string big = records.NewOutputFile(At(9, 9, 0, 1), "big");
    const std::string small = records.NewOutputFile(At(9, 9, 0, 2), "small");
    TempDir::WriteFile(small, "y");
    TempDir::WriteFile(big, "z");
    records.KeepOutputWithinLimits();
    EXPECT_TRUE(fs::exists(old));
    fs::resize_file(big, RunRecords::MAX_OUTPUT_BYTES + 1);
    records.KeepOutputWithinLimits();
    EXPECT_FALSE(fs::exists(old));
    ASSERT_TRUE(fs::exists(big));
    EXPECT_EQ(fs::file_size(big), 0u);
    EXPECT_EQ(fs::file_size(small), 1u);
    EXPECT_TRUE(records.RunEnded(big));
    EXPECT_FALSE(records.RunEnded(small));
}
#endif

// What is no regular file in the folder (a FIFO or a device in a file's
// place) is never trimmed, cut or removed as a run's empty output.
TEST_F(RunRecordsTest, WhatIsNoRegularFileInTheFolderIsLeftAlone) {
    const struct {
        const char* what;
        bool special;
        bool empty;  // a run's empty output; else an older file beyond the size
    } cases[] = {
        {"an older output beyond the size", false, false},
        {"no regular file named as an older output", true, false},
        {"a run's empty output", false, true},
        {"no regular file in a run's output's place", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(folder);
        SpecialFiles files;
        RunRecords fresh{files, folder, std::chrono::milliseconds(0)};
        std::string path = (fs::path(folder) / "2026-12-08_090000 old.log").string();
        if (c.empty) {
            path = fresh.NewOutputFile(At(9, 9, 0, 0), "run");
            TempDir::WriteFile(path, "");
            fresh.RunEnded(path);
        } else {
            fs::create_directories(folder);
            TempDir::WriteFile(path, "x");
            fs::resize_file(path, RunRecords::MAX_OUTPUT_BYTES + 1);
        }
        if (c.special) files.special.insert(path);
        if (c.empty) EXPECT_EQ(fresh.RemoveIfEmpty(path), !c.special);
        else fresh.NewOutputFile(At(9, 9, 0, 1), "new");
        EXPECT_EQ(fs::exists(path), c.special);
    }
}

}  // namespace
}  // namespace tikr::test
