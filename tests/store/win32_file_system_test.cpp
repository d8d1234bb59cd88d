// The Windows files: identities, processes and where the profile lives.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "store/file_system.h"
#include "store/profile_location.h"
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

    const std::string path = ProfilePath("C:\\Program Files\\Tikr\\" + name + ".exe");
    ASSERT_GT(path.size(), name.size() + 5);
    EXPECT_EQ(path.substr(path.size() - name.size() - 5), "\\" + name + ".INI");
    EXPECT_TRUE(std::filesystem::is_directory(path.substr(0, path.size() - name.size() - 5)));
    EXPECT_FALSE(std::filesystem::exists(path));

    TempDir::WriteFile(old, "[Settings]\r\nNumApps=3\r\n");
    EXPECT_EQ(ProfilePath(name + ".exe"), path);
    EXPECT_EQ(TempDir::ReadFile(path), "[Settings]\r\nNumApps=3\r\n");
    TempDir::WriteFile(old, "[Settings]\r\nNumApps=9\r\n");
    EXPECT_EQ(ProfilePath(name + ".exe"), path);
    EXPECT_EQ(TempDir::ReadFile(path), "[Settings]\r\nNumApps=3\r\n");  // only once
    std::filesystem::remove(old);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tikr
