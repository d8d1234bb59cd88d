// The Windows files: identities, processes and where the profile lives.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "store/file_system.h"
#include "store/profile_location.h"
#include "store/profile_store.h"
#include "temp_dir.h"

namespace tikr {
namespace {

using test::TempDir;

TEST(Win32FileSystemTest, IdentityChangesWithEveryReplacement) {
    TempDir dir;
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    const std::string path = dir.File("tikr.INI");
    EXPECT_FALSE(files->Identify(path).exists);
    EXPECT_EQ(files->Read(path).status, FileSystem::ReadStatus::missing);
    EXPECT_EQ(files->Read(dir.File("no/such/tikr.INI")).status, FileSystem::ReadStatus::missing);
    EXPECT_EQ(files->Read(dir.Path().string()).status, FileSystem::ReadStatus::failed);

    TempDir::WriteFile(path, "[s]\r\nk=1\r\n");
    const FileIdentity first = files->Identify(path);
    ASSERT_TRUE(first.exists);
    EXPECT_EQ(first.size, 10u);
    EXPECT_EQ(files->Identify(path), first);
    const FileSystem::ReadResult read = files->Read(path);
    EXPECT_EQ(read.status, FileSystem::ReadStatus::ok);
    EXPECT_EQ(read.text, "[s]\r\nk=1\r\n");
    EXPECT_EQ(read.identity, first);

    TempDir::WriteFile(dir.File("new"), "[s]\r\nk=2\r\n");
    std::string error;
    ASSERT_TRUE(files->Rename(dir.File("new"), path, error)) << error;
    const FileIdentity second = files->Identify(path);
    EXPECT_NE(second.inode, first.inode);
    EXPECT_EQ(files->Read(path).text, "[s]\r\nk=2\r\n");
}

// A user folder in a script outside the ANSI code page (here Greek and
// Cyrillic, which no single-byte code page holds together): the folder,
// the file, its temporary file and the rename all reach the real names,
// and the INI text is kept byte for byte.
TEST(Win32FileSystemTest, FoldersOutsideTheAnsiCodePageAreReached) {
    TempDir dir;
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    const std::string user = "\u039d\u03af\u03ba\u03bf\u03c2-\u0411\u043e\u0440\u0438\u0441";
    const std::string folder = dir.Path().string() + "\\" + user + "\\AppData";
    std::string error;
    ASSERT_TRUE(files->MakeDirectories(folder, error)) << error;
    const DWORD attributes = ::GetFileAttributesW(Widen(folder).c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(files->ListDirectory(dir.Path().string()), std::vector<std::string>{user});

    const std::string path = folder + "\\tikr.INI";
    {
        ProfileStore store(path);
        EXPECT_TRUE(store.WriteString("App1", "title", "Caf\xe9 & co"));  // ANSI text
        EXPECT_TRUE(store.WriteInt("Settings", "NumApps", 1));
    }
    EXPECT_EQ(files->ListDirectory(folder), std::vector<std::string>{"tikr.INI"});  // no temporary file left
    const FileSystem::ReadResult read = files->Read(path);
    ASSERT_EQ(read.status, FileSystem::ReadStatus::ok) << read.error;
    EXPECT_NE(read.text.find("title=Caf\xe9 & co"), std::string::npos);
    EXPECT_TRUE(files->Identify(path).exists);
    EXPECT_EQ(ProfileStore(path).ReadInt("settings", "numapps", 0), 1);
}

// The last write time counts from 1970, also for times an earlier
// multiplication of the whole 1601-based count could not hold.
TEST(Win32FileSystemTest, WriteTimesCountNanosecondsFrom1970) {
    TempDir dir;
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    const std::string path = dir.File("tikr.INI");
    TempDir::WriteFile(path, "x");
    const auto setTime = [&](std::uint64_t ticksSince1601) {
        HANDLE file = ::CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        FILETIME time{static_cast<DWORD>(ticksSince1601), static_cast<DWORD>(ticksSince1601 >> 32)};
        EXPECT_TRUE(::SetFileTime(file, nullptr, nullptr, &time));
        ::CloseHandle(file);
    };
    constexpr std::uint64_t TICKS_TO_1970 = 116444736000000000ULL;
    setTime(TICKS_TO_1970 + 1796774400ULL * 10000000ULL + 5);  // 9 Dec 2026 00:00:00.0000005 UTC
    EXPECT_EQ(files->Identify(path).modifiedNs, 1796774400LL * 1000000000LL + 500);
    setTime(TICKS_TO_1970 - 10000000ULL);  // one second before 1970
    EXPECT_EQ(files->Identify(path).modifiedNs, -1000000000LL);
}

// Another program holds the file open without letting it be replaced: the
// write fails and is told, the file keeps its content, and the next write
// after the other program let go stores the value.
TEST(Win32FileSystemTest, AFileHeldOpenByAnotherProgramIsWrittenWhenItIsLetGo) {
    TempDir dir;
    const std::string path = dir.File("tikr.INI");
    TempDir::WriteFile(path, "[Settings]\r\nNumApps=0\r\n");
    ProfileStore store(path);
    std::vector<WriteFailure> told;
    store.SetWriteFailureHandler([&](const WriteFailure& failure) { told.push_back(failure); });
    HANDLE held = ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(store.WriteInt("Settings", "NumApps", 2));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].firstSinceSuccess);
    EXPECT_EQ(told[0].path, path);
    EXPECT_FALSE(told[0].reason.empty());
    ::CloseHandle(held);
    EXPECT_EQ(TempDir::ReadFile(path), "[Settings]\r\nNumApps=0\r\n");
    EXPECT_EQ(MakeSystemFileSystem()->ListDirectory(dir.Path().string()), std::vector<std::string>{"tikr.INI"});

    EXPECT_TRUE(store.WriteInt("Settings", "NumApps", 2));
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(ProfileStore(path).ReadInt("Settings", "NumApps", 0), 2);
}

TEST(Win32FileSystemTest, ProcessesAreKnownByTheirIds) {
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    EXPECT_EQ(files->ProcessId(), ::GetCurrentProcessId());
    EXPECT_TRUE(files->ProcessIsRunning(files->ProcessId()));
    EXPECT_FALSE(files->ProcessIsRunning(0));
}

// The profile lives in the roaming application-data folder; a file an
// earlier version kept in the Windows directory carries over once.
TEST(Win32ProfileLocationTest, ProfileLivesInAppDataAndTheOldOneCarriesOver) {
    const std::string name = "tikr-test-" + std::to_string(std::random_device()());
    char windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string old = std::string(windows) + "\\" + name + ".INI";

    std::string error;
    const std::string path = ProfilePath("C:\\Program Files\\Tikr\\" + name + ".exe", error);
    EXPECT_EQ(error, "");
    ASSERT_GT(path.size(), name.size() + 5);
    EXPECT_EQ(path.substr(path.size() - name.size() - 5), "\\" + name + ".INI");
    EXPECT_TRUE(std::filesystem::is_directory(path.substr(0, path.size() - name.size() - 5)));
    EXPECT_FALSE(std::filesystem::exists(path));

    TempDir::WriteFile(old, "[Settings]\r\nNumApps=3\r\n");
    EXPECT_EQ(ProfilePath(name + ".exe", error), path);
    EXPECT_EQ(TempDir::ReadFile(path), "[Settings]\r\nNumApps=3\r\n");
    TempDir::WriteFile(old, "[Settings]\r\nNumApps=9\r\n");
    EXPECT_EQ(ProfilePath(name + ".exe", error), path);
    EXPECT_EQ(TempDir::ReadFile(path), "[Settings]\r\nNumApps=3\r\n");  // only once
    std::filesystem::remove(old);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tikr
