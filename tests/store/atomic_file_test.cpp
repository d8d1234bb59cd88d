// The steps of a replacement, and what it leaves beside the file.
#include "store/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "store_fixture.h"

namespace tikr {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

struct AtomicFileTest : test::StoreFixture {
    test::RecordingFileSystem files;
};

// Without the flush before the rename a crash can leave an empty file.
TEST_F(AtomicFileTest, DataReachesTheDiskBeforeTheRename) {
    ProfileStore recorded(path, files);
    ASSERT_TRUE(recorded.WriteInt("s", "k", 1));
    const std::vector<std::string> steps = {"create", "write", "flush", "close", "rename", "sync-directory"};
    EXPECT_EQ(files.log, steps);
    EXPECT_EQ(FileText(), "[s]\nk=1\n");
}

TEST_F(AtomicFileTest, TempFileNamesCarryTheWritersProcessId) {
    EXPECT_EQ(TempFileName("tikr.INI", 4321, 7), ".tikr.INI.4321.7.tmp");
    const struct {
        const char* name;
        bool matches;
        std::uint64_t id;
    } cases[] = {
        {".tikr.INI.4321.0.tmp", true, 4321}, {".tikr.INI.9999999999999999999.2.tmp", true, 9999999999999999999ull},
        {"tikr.INI.4321.0.tmp", false, 0},    {".tikr.INI.4321.tmp", false, 0},
        {".tikr.INI..0.tmp", false, 0},       {".tikr.INI.4321..tmp", false, 0},
        {".tikr.INI.43a1.0.tmp", false, 0},   {".tikr.INI.4321.0.tmpx", false, 0},
        {".tikr.INIX.4321.0.tmp", false, 0},  {".other.INI.4321.0.tmp", false, 0},
        {".tikr.INI.Ab12Cd", false, 0},       {".tikr.INI.", false, 0},
        {".tikr.INI.1.2.3.tmp", false, 0},    {".tikr.INI.12345678901234567890.0.tmp", false, 0},
    };
    for (const auto& c : cases) {
        std::uint64_t id = 0;
        EXPECT_EQ(ParseTempFileName(c.name, "tikr.INI", id), c.matches) << c.name;
        if (c.matches) {
            EXPECT_EQ(id, c.id) << c.name;
        }
    }
}

// Leftovers of killed writers go at the first write; files of running
// writers, of other profiles and of unknown form stay.
TEST_F(AtomicFileTest, FirstWriteRemovesOnlyTheTempFilesOfDeadWriters) {
    constexpr std::uint64_t DEAD = 111;
    constexpr std::uint64_t RUNNING = 222;
    files.isRunning = [](std::uint64_t id) { return id == RUNNING; };
    const std::string dead = TempFileName("tikr.INI", DEAD, 0);
    const std::string kept[] = {TempFileName("tikr.INI", RUNNING, 3), TempFileName("tikr.INI", files.ProcessId(), 9),
                                TempFileName("other.INI", DEAD, 0), ".tikr.INI.Ab12Cd", "tikr.INI.bak"};
    TempDir::WriteFile(dir.File(dead), "half a file");
    for (const std::string& name : kept) TempDir::WriteFile(dir.File(name), "x");

    ProfileStore recorded(path, files);
    EXPECT_EQ(recorded.ReadInt("s", "k", 0), 0);
    EXPECT_TRUE(fs::exists(dir.File(dead)));  // reading removes nothing
    ASSERT_TRUE(recorded.WriteInt("s", "k", 1));
    EXPECT_FALSE(fs::exists(dir.File(dead)));
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(dir.File(name))) << name;
    EXPECT_EQ(FileText(), "[s]\nk=1\n");
}

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
TEST_F(AtomicFileTest, NewFileModeFollowsTheUmask) {
    for (const auto& [mask, mode] : {std::pair<mode_t, mode_t>{077, 0600}, {022, 0644}, {027, 0640}}) {
        const mode_t old = ::umask(mask);
        fs::remove(path);
        const bool written = store.WriteInt("s", "k", 1);
        ::umask(old);
        ASSERT_TRUE(written);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mask;
    }
}
#endif  // _WIN32

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
// A link to a file not made yet: the first save makes the file and keeps
// the link.
TEST_F(AtomicFileTest, DanglingLinkGetsItsTargetWritten) {
    fs::create_directory(dir.File("real"));
    fs::create_symlink("real/tikr.INI", path);  // relative to the link's folder
    ASSERT_TRUE(store.WriteInt("s", "k", 1));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(TempDir::ReadFile(dir.File("real/tikr.INI")), "[s]\nk=1\n");
    ASSERT_TRUE(store.WriteInt("s", "k", 2));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(FileText(), "[s]\nk=2\n");

    // A loop of links is no file at all: the write fails.
    const std::string loop = dir.File("loop.INI");
    fs::create_symlink("loop.INI", loop);
    ProfileStore looped(loop);
    EXPECT_FALSE(looped.WriteInt("s", "k", 1));
    EXPECT_TRUE(fs::is_symlink(loop));
}
#endif  // _WIN32

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
// A writer running under another user is running all the same: the system
// only refuses to say more about it. Root is never refused, so the first
// write runs as nobody in a child process, beside a temporary file of this
// (root's) process.
TEST_F(AtomicFileTest, TempFileOfAWriterUnderAnotherUserStays) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to write as another user (nobody) beside root's temporary file";
    fs::permissions(dir.Path(), fs::perms::all);
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string running = dir.File(TempFileName("tikr.INI", static_cast<std::uint64_t>(::getpid()), 0));
    const std::string dead = dir.File(TempFileName("tikr.INI", static_cast<std::uint64_t>(ended), 0));
    TempDir::WriteFile(running, "being written");
    TempDir::WriteFile(dead, "half a file");

    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
        ProfileStore other(path);
        ::_exit(other.WriteInt("s", "k", 1) ? 0 : 91);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "90: cannot become nobody, 91: the write failed";
    EXPECT_TRUE(fs::exists(running)) << "the file of a running writer of another user was removed";
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_EQ(FileText(), "[s]\nk=1\n");
}
#endif  // _WIN32

}  // namespace
}  // namespace tikr
