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

// The killed-writer test starts this program again as its writer; the
// writer saves until it is killed and never reaches the tests.
constexpr const wchar_t* WRITER_FILE = L"TIKR_KILLED_WRITER_FILE";
constexpr const wchar_t* WRITER_COUNTS = L"TIKR_KILLED_WRITER_COUNTS";

// The payload of save n: its length and letter tell a whole save from a mix.
std::string Payload(int n) { return std::string(30000 + 97 * (n % 50), static_cast<char>('a' + n % 26)); }

// Counts of saves begun and ended, shared with the test through a named
// mapping.
struct SaveCounts {
    volatile LONG begun;
    volatile LONG ended;
};

std::wstring Variable(const wchar_t* name) {
    wchar_t value[1024] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

const bool writerRole = [] {
    const std::wstring file = Variable(WRITER_FILE);
    if (file.empty()) return false;
    HANDLE mapping = ::OpenFileMappingW(FILE_MAP_WRITE, FALSE, Variable(WRITER_COUNTS).c_str());
    auto* counts =
        mapping != nullptr ? static_cast<SaveCounts*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
    if (counts == nullptr) ::ExitProcess(2);
    ProfileStore store(Narrow(file));
    for (int n = 0;; ++n) {
        ::InterlockedIncrement(&counts->begun);
        ProfileStore::Batch batch(store);
        store.WriteString("Data", "payload", Payload(n));
        store.WriteInt("Data", "n", n);
        if (!batch.Commit()) ::ExitProcess(3);
        ::InterlockedIncrement(&counts->ended);
    }
}();

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

// A process terminated at a random moment of a save leaves the old or the
// new file whole. Kills that land between saves prove nothing; some must
// land inside one.
TEST(Win32FileSystemTest, AWriterKilledMidwayLeavesTheOldOrTheNewFile) {
    ASSERT_FALSE(writerRole);
    TempDir dir;
    const std::string path = dir.File("tikr.INI");
    const std::wstring countsName = L"Local\\tikr-killed-writer-" + std::to_wstring(::GetCurrentProcessId());
    HANDLE mapping =
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SaveCounts), countsName.c_str());
    ASSERT_NE(mapping, nullptr);
    auto* counts = static_cast<SaveCounts*>(::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(counts, nullptr);
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";

    std::mt19937 random(std::random_device{}());
    int inside = 0;
    const int rounds = 8;
    for (int round = 0; round < rounds; ++round) {
        counts->begun = 0;
        counts->ended = 0;
        ::SetEnvironmentVariableW(WRITER_FILE, Widen(path).c_str());
        ::SetEnvironmentVariableW(WRITER_COUNTS, countsName.c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION writer{};
        const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                              &startup, &writer);
        ::SetEnvironmentVariableW(WRITER_FILE, nullptr);
        ::SetEnvironmentVariableW(WRITER_COUNTS, nullptr);
        ASSERT_TRUE(started);
        // Until its first save has begun (thirty seconds at most), then a
        // random moment within the next few saves.
        for (int wait = 0; wait < 3000 && counts->begun == 0; ++wait) ::Sleep(10);
        ::Sleep(static_cast<DWORD>(random() % 40));
        ::TerminateProcess(writer.hProcess, 9);
        ::WaitForSingleObject(writer.hProcess, 30000);
        DWORD status = 0;
        ::GetExitCodeProcess(writer.hProcess, &status);
        ::CloseHandle(writer.hThread);
        ::CloseHandle(writer.hProcess);
        ASSERT_EQ(status, 9u) << "the writer ended by itself";
        ASSERT_GT(counts->begun, 0) << "the writer never began a save";
        if (counts->begun != counts->ended) ++inside;

        // No save ended: there may be no file yet; else one whole save.
        if (counts->ended == 0 && !std::filesystem::exists(path)) continue;
        ProfileStore reader(path);
        const int n = reader.ReadInt("Data", "n", -1);
        ASSERT_GE(n, 0) << "round " << round;
        EXPECT_GE(n, counts->ended - 1);
        EXPECT_EQ(reader.ReadString("Data", "payload"), Payload(n).substr(0, ProfileStore::MAX_READ_LENGTH));
        const FileSystem::ReadResult read = MakeSystemFileSystem()->Read(path);
        const std::size_t at = read.text.find("payload=" + Payload(n));
        ASSERT_NE(at, std::string::npos) << "round " << round;
        const std::size_t after = at + 8 + Payload(n).size();
        EXPECT_TRUE(after < read.text.size() && (read.text[after] == '\r' || read.text[after] == '\n'));
    }
    EXPECT_GT(inside, 0) << "no kill landed inside a save";
    ::UnmapViewOfFile(counts);
    ::CloseHandle(mapping);
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
