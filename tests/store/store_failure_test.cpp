// Writes that cannot be made, files that cannot be read, and crashes in
// the middle of a rewrite: the file keeps its old content and failures are
// never reported as success.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "store/profile_store.h"
#ifndef _WIN32
#include "killed_writer.h"
#endif
#include "store_fixture.h"

namespace tikr {
namespace {

using test::TempDir;
using StoreFailureTest = test::StoreFixture;
namespace fs = std::filesystem;

std::size_t EntriesIn(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++n;
    return n;
}

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
// Paths no write can reach, even for root.
TEST_F(StoreFailureTest, UnwritablePathsFailAndSayWhy) {
    TempDir::WriteFile(dir.File("plain"), "not a directory");
    fs::create_directory(dir.File("folder.INI"));
    const std::string paths[] = {
        dir.File("plain/tikr.INI"),      // parent is a regular file
        dir.File("plain/sub/tikr.INI"),  // missing directory that cannot be made
        "/proc/tikr-test-store.INI",     // no new files can be made here
        dir.File("folder.INI"),          // the "file" is a directory
    };
    for (const std::string& path : paths) {
        ProfileStore store(path);
        std::vector<WriteFailure> failures;
        test::RecordFailures(store, failures);
        EXPECT_EQ(store.ReadInt("s", "k", 4), 4) << path;
        EXPECT_FALSE(store.WriteInt("s", "k", 5)) << path;
        store.BeginBatch();
        EXPECT_TRUE(store.WriteInt("s", "k", 6));
        EXPECT_FALSE(store.EndBatch()) << path;
        ASSERT_EQ(failures.size(), 2u) << path;
        EXPECT_EQ(failures[0].path, path);
        EXPECT_FALSE(failures[0].reason.empty());
        EXPECT_EQ(store.ReadInt("s", "k", 4), 4) << path;  // the failed value is gone
    }
    EXPECT_EQ(TempDir::ReadFile(dir.File("plain")), "not a directory");
    EXPECT_TRUE(fs::is_directory(dir.File("folder.INI")));
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
}
#endif  // _WIN32

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
// A special file is neither read (which could block) nor replaced.
TEST_F(StoreFailureTest, FifoIsNotReadOrReplaced) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(store.ReadString("s", "k", "d"), "d");
    EXPECT_FALSE(store.WriteString("s", "k", "v"));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, path);
    EXPECT_TRUE(fs::is_fifo(path));
}
#endif  // _WIN32

// The store prints nothing; its owner hears of each failure and can tell
// the user once per run of failures.
TEST_F(StoreFailureTest, FailuresGoToTheHandlerMarkedFirstAfterEachSuccess) {
    fs::create_directory(path);  // a directory where the file belongs
    testing::internal::CaptureStderr();
    EXPECT_FALSE(store.WriteInt("s", "k", 1));
    EXPECT_FALSE(store.WriteInt("s", "k", 2));
    const std::string failedReason = store.LastWriteError();
    EXPECT_FALSE(failedReason.empty());
    fs::remove(path);
    EXPECT_TRUE(store.WriteInt("s", "k", 3));
    EXPECT_EQ(store.LastWriteError(), "");
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_FALSE(store.WriteInt("s", "k", 4));
    store.SetWriteFailureHandler({});
    EXPECT_FALSE(store.WriteInt("s", "k", 5));  // no handler: only the result tells
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    ASSERT_EQ(failures.size(), 3u);
    EXPECT_TRUE(failures[0].firstSinceSuccess);
    EXPECT_FALSE(failures[1].firstSinceSuccess);
    EXPECT_TRUE(failures[2].firstSinceSuccess);
    EXPECT_EQ(failures[1].reason, failedReason);
    EXPECT_EQ(failures[2].path, path);
}

// A file marked read-only stays as it is, even for a user the system would
// let replace it (root, as the tests run in CI: only the mode bits refuse).
TEST_F(StoreFailureTest, ReadOnlyFileIsNotReplaced) {
    ASSERT_TRUE(store.WriteInt("s", "k", 1));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(store.WriteInt("s", "k", 2));
    store.BeginBatch();
    EXPECT_TRUE(store.WriteInt("s", "k", 3));
    EXPECT_FALSE(store.EndBatch());
    EXPECT_EQ(TempDir::ReadFile(path), "[s]\nk=1\n");
    EXPECT_EQ(store.ReadInt("s", "k", 0), 1);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ASSERT_EQ(failures.size(), 2u);
#ifdef _WIN32
    EXPECT_NE(failures[0].reason.find("denied"), std::string::npos) << failures[0].reason;
#else
    EXPECT_NE(failures[0].reason.find("Permission denied"), std::string::npos) << failures[0].reason;
#endif
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);  // so the folder can go
}

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
// Root may write any file, but a profile whose mode bits keep root from it
// (another user's, writable by its owner alone) is not replaced by a file
// of root's that its owner could no longer write.
TEST_F(StoreFailureTest, RootKeepsToTheModeBitsOfAnotherUsersFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, whom the system lets write every file";
    ASSERT_TRUE(store.WriteInt("s", "k", 1));
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(store.WriteInt("s", "k", 2));
    EXPECT_EQ(TempDir::ReadFile(path), "[s]\nk=1\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    fs::permissions(path, fs::perms::others_write, fs::perm_options::add);
    EXPECT_TRUE(store.WriteInt("s", "k", 3)) << "writable by all: root may write it too";
    EXPECT_EQ(TempDir::ReadFile(path), "[s]\nk=3\n");
}

// Limits the size of files this process may write, as a full disk would;
// root is bound by it too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        struct rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }

private:
    struct rlimit old_ {};
    sighandler_t oldHandler_;
};

TEST_F(StoreFailureTest, FullDiskKeepsTheOldFileAndDropsTheUnsavedValues) {
    ASSERT_TRUE(store.WriteInt("Settings", "NumApps", 1));
    ASSERT_TRUE(store.WriteString("App1", "title", "kept"));
    const std::string before = TempDir::ReadFile(path);

    bool single = true;
    bool batch = true;
    {
        FileSizeLimit limit(4096);
        single = store.WriteString("App1", "Message", std::string(8000, 'm'));
        store.BeginBatch();
        store.WriteInt("Settings", "NumApps", 2);
        for (int i = 0; i < 500; ++i) store.WriteString("App2", "key" + std::to_string(i), "some value");
        batch = store.EndBatch();
    }
    EXPECT_FALSE(single);
    EXPECT_FALSE(batch);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[1].reason.find("too large"), std::string::npos) << failures[1].reason;  // strerror(EFBIG)

    EXPECT_EQ(TempDir::ReadFile(path), before);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);  // no temporary file left
    EXPECT_EQ(store.ReadInt("settings", "NumApps", 0), 1);
    EXPECT_EQ(store.ReadString("App1", "Message", "none"), "none");
    EXPECT_EQ(store.ReadString("App2", "key1", "none"), "none");
    EXPECT_EQ(store.ReadString("App1", "title"), "kept");
}
#endif  // _WIN32

TEST_F(StoreFailureTest, BadFilesLoadWithoutHarm) {
    std::mt19937 random(7);
    std::string garbage(1 << 16, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    const std::string files[] = {
        garbage,
        "",
        "[Settings]\nNumApps=" + std::string(10 * 1024 * 1024, '9') + "\n",
        "[Settings\nNumApps=3\n",
        "[settings]\r\nNumApps=1\n[Settings]\nNumApps=2\r\nnumapps=3\n",
        std::string("\0\0\0\n[settings]\nNumApps=7\n\0\0", sizeof("\0\0\0\n[settings]\nNumApps=7\n\0\0") - 1),
    };
    const int expected[] = {-1, -1, INT32_MAX, -1, 1, 7};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        const std::string path = dir.File("bad" + std::to_string(i) + ".INI");
        TempDir::WriteFile(path, files[i]);
        ProfileStore store(path);
        EXPECT_EQ(store.ReadInt("settings", "NumApps", -1), expected[i]) << i;
        ASSERT_TRUE(store.WriteInt("App1", "Disabled", 1)) << i;
        ProfileStore again(path);
        EXPECT_EQ(again.ReadInt("app1", "disabled", 0), 1) << i;
        EXPECT_EQ(again.ReadInt("settings", "NumApps", -1), expected[i]) << i;
    }
}

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
// A writer killed at any moment leaves either the old or the new file.
TEST_F(StoreFailureTest, KilledWriterLeavesOldOrNewContent) {
    auto writeAll = [](ProfileStore& store, char fill) {
        ProfileStore::Batch batch(store);
        for (int i = 1; i <= 300; ++i) {
            const std::string section = "App" + std::to_string(i);
            store.WriteString(section, "title",
                              std::string(static_cast<std::size_t>(i % 40 + (fill == 'A' ? 1 : 30)), fill));
            store.WriteInt(section, "Disabled", fill == 'A' ? 0 : 1);
        }
        return batch.Commit();
    };
    // The two contents the file may hold, as the store lays them out.
    std::string contents[2];
    for (int n = 0; n < 2; ++n) {
        const std::string reference = dir.File("reference" + std::to_string(n));
        ProfileStore store(reference);
        ASSERT_TRUE(writeAll(store, 'A'));
        if (n == 1) {
            ASSERT_TRUE(writeAll(store, 'B'));
        }
        contents[n] = TempDir::ReadFile(reference);
        fs::remove(reference);
    }
    ASSERT_NE(contents[0], contents[1]);

    std::mt19937 random(42);
    int insideSave = 0;
    const int rounds = test::KillRounds(30);
    for (int round = 0; round < rounds; ++round) {
        {
            // Also removes what the writer killed in the last round left.
            ProfileStore store(path);
            ASSERT_TRUE(writeAll(store, 'A'));
        }
        ASSERT_EQ(EntriesIn(dir.Path()), 1u) << "round " << round;
        const test::KillResult result = test::KillWriterAtRandom(
            [&](int n) {
                ProfileStore store(path);
                writeAll(store, n % 2 == 0 ? 'B' : 'A');
            },
            random, std::chrono::milliseconds(20));
        ASSERT_NE(result, test::KillResult::writerFailed) << "round " << round;
        if (result == test::KillResult::insideSave) ++insideSave;
        const std::string text = TempDir::ReadFile(path);
        ASSERT_TRUE(text == contents[0] || text == contents[1]) << "round " << round << ", " << text.size() << " bytes";
    }
    EXPECT_GT(insideSave, 0) << "no kill landed inside a save";
}
#endif  // _WIN32

}  // namespace
}  // namespace tikr
