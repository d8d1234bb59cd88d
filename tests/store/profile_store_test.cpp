// The store as its callers see it: reads, writes, batches and the file.
#include "store/profile_store.h"

#ifndef _WIN32
#include <fcntl.h>
#endif
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <string>

#include "full_disk.h"
#include "store_fixture.h"
#include "stored_profile.h"

namespace tikr {
namespace {

using test::TempDir;

struct StoreTest : test::StoreFixture {
    // The file's number (inode or file index): a replacement changes it.
    FileIdentity Identity() const { return MakeSystemFileSystem()->Identify(path); }
    struct stat Stat() const {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st;
    }
};

TEST_F(StoreTest, SectionAndKeyNamesMatchWithoutRegardToCase) {
    ASSERT_TRUE(store.WriteInt("Settings", "NumApps", 3));
    ASSERT_TRUE(store.WriteString("App1", "SkipDays", "0100010"));
    EXPECT_EQ(store.ReadInt("settings", "numapps", 0), 3);
    EXPECT_EQ(store.ReadString("APP1", "skipdays"), "0100010");
    ASSERT_TRUE(store.WriteInt("settings", "NUMAPPS", 4));
    EXPECT_EQ(FileText(), "[Settings]\nNumApps=4\n\n[App1]\nSkipDays=0100010\n");
}

TEST_F(StoreTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(store.ReadInt("settings", "interval", 10), 10);
    EXPECT_EQ(store.ReadString("App3", "title", "App3"), "App3");
    EXPECT_EQ(store.ReadString("App3", "command"), "");
    EXPECT_FALSE(std::filesystem::exists(path));  // reads create nothing

    ASSERT_TRUE(store.WriteInt("settings", "interval", 30));
    EXPECT_EQ(store.ReadInt("settings", "showicon", 1), 1);
    EXPECT_EQ(store.ReadInt("App1", "interval", -7), -7);
    // A present empty value is not missing.
    ASSERT_TRUE(store.WriteString("App1", "NextAt", ""));
    EXPECT_EQ(store.ReadString("App1", "NextAt", "default"), "");
    EXPECT_EQ(store.ReadInt("App1", "NextAt", 5), 0);
}

TEST_F(StoreTest, WriteIntStoresPlainDecimalText) {
    const struct {
        int value;
        const char* text;
    } cases[] = {{600, "600"}, {-5, "-5"}, {0, "0"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(store.WriteInt("settings", "interval", c.value));
        EXPECT_EQ(FileText(), std::string("[settings]\ninterval=") + c.text + "\n");
        EXPECT_EQ(store.ReadInt("settings", "interval", 1), c.value);
    }
}

TEST_F(StoreTest, ReadIntTakesTheLeadingNumberOfAnyText) {
    const struct {
        const char* stored;
        int expected;
    } cases[] = {
        {"12abc", 12},
        {" -5", -5},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 5", 0},
        {"0x1F", 0},
        {"007", 7},
        {"\"42\"", 42},
        {"\t\t9 9", 9},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
        {"3.9", 3},
    };
    for (const auto& c : cases) {
        TempDir::WriteFile(path, std::string("[s]\nk=") + c.stored + "\n");
        EXPECT_EQ(store.ReadInt("s", "k", -1), c.expected) << "stored: " << c.stored;
    }
}

TEST_F(StoreTest, LongValueIsWrittenWholeAndReadAsItsFirst4095Characters) {
    std::string message;
    for (int i = 0; i < 5000; ++i) message += static_cast<char>('a' + i % 26);
    ASSERT_TRUE(store.WriteString("App1", "Message", message));
    EXPECT_EQ(FileText(), "[App1]\nMessage=" + message + "\n");
    EXPECT_EQ(store.ReadString("App1", "Message"), message.substr(0, 4095));
    EXPECT_EQ(store.ReadString("App1", "missing", message).size(), 4095u);
}

TEST_F(StoreTest, SectionReadGivesWhatEachKeysReadGives) {
    const std::string longValue(5000, 'x');
    const std::string file = std::string("[App1]\n  title = Tea \n; Command=not a key\nCOMMAND=\"  spaced  \"\n") +
                             "command=second\n=no key\nShow='7'\r\nlong=" + longValue + "\nnul=ab" +
                             std::string(1, '\0') + "cd\nnum= -42x\n[other]\nTitle=elsewhere\n" + "[app1]\nDate=3\n";
    // A key read twice running finds its first line again.
    const char* keys[] = {"title", "Command", "Command", "show",      "long", "nul",
                          "num",   "Date",    "Missing", "; Command", ""};
    const auto expectSame = [&](const std::string& section, const std::string& when) {
        const StoredSection stored = store.ReadSection(section);
        for (const char* key : keys) {
            EXPECT_EQ(stored.ReadString(key, "dflt"), store.ReadString(section, key, "dflt")) << when << key;
            EXPECT_EQ(stored.ReadInt(key, 9), store.ReadInt(section, key, 9)) << when << key;
            EXPECT_EQ(stored.HasKey(key), store.HasKey(section, key)) << when << key;
        }
    };
    TempDir::WriteFile(path, file);
    expectSame("APP1", "as read: ");
    expectSame("nowhere", "missing section: ");
    // A section written to keeps its lines apart from the file's text.
    ASSERT_TRUE(store.WriteString("App1", "show", "8"));
    ASSERT_TRUE(store.WriteString("App1", "Date", "4"));
    expectSame("App1", "written: ");
    // What is read stays as it was read.
    const StoredSection before = store.ReadSection("App1");
    ASSERT_TRUE(store.WriteString("App1", "show", "9"));
    EXPECT_EQ(before.ReadInt("show", 0), 8);
}

TEST_F(StoreTest, TypedTextRoundTripsOnOneLine) {
    const struct {
        std::string typed;
        std::string line;  // as it appears in the file
        std::string readBack;
    } cases[] = {
        {"  notepad.exe  ", "title=\"  notepad.exe  \"", "  notepad.exe  "},
        {"\"C:\\Program Files\\x.exe\"", "title=\"\"C:\\Program Files\\x.exe\"\"", "\"C:\\Program Files\\x.exe\""},
        {"'hi'", "title=\"'hi'\"", "'hi'"},
        {"first line\r\nsecond\nthird", "title=first line second third", "first line second third"},
        {"x\n[Settings]\nNumApps=0", "title=x [Settings] NumApps=0", "x [Settings] NumApps=0"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(store.WriteString("App1", "title", c.typed));
        EXPECT_EQ(FileText(), "[App1]\n" + c.line + "\n");
        EXPECT_EQ(store.ReadString("App1", "title"), c.readBack);
        EXPECT_EQ(store.ReadInt("Settings", "NumApps", -1), -1);
        ProfileStore fresh(path);
        EXPECT_EQ(fresh.ReadString("App1", "title"), c.readBack);
    }
}

TEST_F(StoreTest, HandWrittenFileKeepsItsUnknownLinesAndLineEnds) {
    const std::string text =
        "\xEF\xBB\xBF; written by hand\r\n"
        "[ settings ]\r\n"
        "NumApps = 1\r\n"
        "Unknown=kept \xE9\xFF\r\n"
        "\r\n"
        "[App1]\r\n"
        "title = \"My task\"\r\n"
        "garbage line\r\n"
        "[Other]\r\n"
        "x=1\r\n";
    TempDir::WriteFile(path, text);
    EXPECT_EQ(store.ReadInt("Settings", "numapps", 0), 1);
    EXPECT_EQ(store.ReadString("app1", "Title"), "My task");
    ASSERT_TRUE(store.WriteInt("Settings", "NumApps", 2));
    ASSERT_TRUE(store.WriteString("App2", "title", "Second"));
    std::string expected = text;
    expected.replace(expected.find("NumApps = 1"), 11, "NumApps=2");
    expected += "\r\n[App2]\r\ntitle=Second\r\n";
    EXPECT_EQ(FileText(), expected);
}

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
TEST_F(StoreTest, AnotherWritersChangeIsSeenByTheNextRead) {
    ASSERT_TRUE(store.WriteString("s", "k", "one"));
    EXPECT_EQ(store.ReadString("s", "k"), "one");

    // Same size, written in place: only the modification time tells.
    const struct stat before = Stat();
    TempDir::WriteFile(path, "[s]\nk=two\n");
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    times[1].tv_sec += 1;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(store.ReadString("s", "k"), "two");

    // Replaced by another file.
    TempDir::WriteFile(path + ".new", "[s]\nk=three\nj=4\n");
    std::filesystem::rename(path + ".new", path);
    EXPECT_EQ(store.ReadString("s", "k"), "three");

    // A write is read-modify-write: the other writer's key survives.
    TempDir::WriteFile(path, "[s]\nk=three\nj=5\n");
    ASSERT_TRUE(store.WriteString("s", "k", "four"));
    EXPECT_EQ(FileText(), "[s]\nk=four\nj=5\n");

    // Removed: the store is empty again.
    std::filesystem::remove(path);
    EXPECT_EQ(store.ReadString("s", "k", "gone"), "gone");
}
#endif  // _WIN32

TEST_F(StoreTest, BatchWritesTheFileOnceAtItsOutermostEnd) {
    ASSERT_TRUE(store.WriteInt("Settings", "NumApps", 0));
    const std::string before = FileText();
    const std::uint64_t inode = Identity().inode;

    store.BeginBatch();
    for (int i = 1; i <= 200; ++i) {
        const std::string section = "App" + std::to_string(i);
        ASSERT_TRUE(store.WriteString(section, "title", "Task " + std::to_string(i)));
        ASSERT_TRUE(store.WriteInt(section, "Disabled", i % 2));
        EXPECT_EQ(store.ReadString(section, "TITLE"), "Task " + std::to_string(i));
    }
    {
        ProfileStore::Batch nested(store);
        ASSERT_TRUE(store.WriteInt("Settings", "NumApps", 200));
        EXPECT_TRUE(nested.Commit());
    }
    EXPECT_EQ(FileText(), before);
    EXPECT_EQ(Identity().inode, inode);
    EXPECT_TRUE(store.EndBatch());

    EXPECT_NE(Identity().inode, inode);
    ProfileStore fresh(path);
    EXPECT_EQ(fresh.ReadInt("settings", "numapps", 0), 200);
    EXPECT_EQ(fresh.ReadString("App200", "title"), "Task 200");
    EXPECT_EQ(fresh.ReadInt("App7", "Disabled", 0), 1);

    // A batch without writes leaves the file alone.
    const std::uint64_t written = Identity().inode;
    {
        ProfileStore::Batch batch(store);
        EXPECT_EQ(store.ReadInt("settings", "NumApps", 0), 200);
    }
    EXPECT_EQ(Identity().inode, written);
}

// Writes of the values a file already holds (however the file spells the
// names, inside a batch or not) replace nothing; one changed value among
// them replaces the file once.
TEST_F(StoreTest, OnlyAWriteThatChangesTheFileReplacesIt) {
    TempDir::WriteFile(path, "[Settings]\r\nNumApps = 2\r\n[App1]\r\ntitle=\"  One  \"\r\nshow=5\r\n");
    test::RecordingFileSystem files;
    ProfileStore recorded(path, files);
    const auto replacements = [&files] { return std::count(files.log.begin(), files.log.end(), "rename"); };
    const std::string before = FileText();
    ASSERT_TRUE(recorded.WriteInt("settings", "numapps", 2));
    ASSERT_TRUE(recorded.WriteString("APP1", "Title", "  One  "));
    {
        ProfileStore::Batch batch(recorded);
        ASSERT_TRUE(recorded.WriteInt("App1", "show", 5));
        ASSERT_TRUE(recorded.WriteString("App1", "title", "  One  "));
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(replacements(), 0);
    EXPECT_EQ(FileText(), before);
    {
        ProfileStore::Batch batch(recorded);
        ASSERT_TRUE(recorded.WriteInt("App1", "show", 5));
        ASSERT_TRUE(recorded.WriteInt("App1", "show", 3));
        ASSERT_TRUE(recorded.WriteString("App1", "title", "  One  "));
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(replacements(), 1);
    EXPECT_EQ(test::StoredString(path, "App1", "show"), "3");
}

TEST_F(StoreTest, DeferredValueWaitsForTheNextReplacement) {
    ASSERT_TRUE(store.WriteInt("settings", "interval", 10));
    const FileIdentity before = Identity();
    ASSERT_TRUE(store.WriteStringDeferred("App1", "LastResult", "started"));
    EXPECT_TRUE(Identity() == before);  // no replacement of its own
    EXPECT_EQ(store.ReadString("App1", "LastResult"), "started");
    EXPECT_TRUE(store.HasKey("app1", "lastresult"));
    EXPECT_FALSE(store.HasKey("App1", "LastRun"));
    {
        ProfileStore::Batch batch(store);  // a batch that writes nothing leaves it waiting
        batch.Commit();
    }
    EXPECT_TRUE(Identity() == before);
    ASSERT_TRUE(store.WriteInt("settings", "interval", 20));
    EXPECT_EQ(FileText(), "[settings]\ninterval=20\n\n[App1]\nLastResult=started\n");
    EXPECT_FALSE(store.HasDeferredWrites());

    ASSERT_TRUE(store.WriteStringDeferred("App1", "LastResult", "message shown"));
    EXPECT_TRUE(store.SaveDeferred());
    EXPECT_EQ(test::StoredString(path, "App1", "LastResult"), "message shown");
    EXPECT_FALSE(store.WriteStringDeferred("App1", "bad\nkey", "x"));
}

// A deferred value lands on the file as it is on disk when it is written:
// content the store never read, or another program's change made since,
// stays; a failed write leaves it waiting; inside a batch SaveDeferred
// makes the batch's end write it.
TEST_F(StoreTest, DeferredValueLandsOnTheFileAsItIsNow) {
    TempDir::WriteFile(path, "[Settings]\nNumApps=1\n[App1]\ntitle=One\n");
    test::FullDiskFiles files;
    ProfileStore fresh(path, files);
    ASSERT_TRUE(fresh.WriteStringDeferred("App1", "LastResult", "started"));
    ASSERT_TRUE(fresh.SaveDeferred());
    EXPECT_EQ(FileText(), "[Settings]\nNumApps=1\n[App1]\ntitle=One\nLastResult=started\n");

    ASSERT_TRUE(fresh.WriteStringDeferred("App1", "LastResult", "message shown"));
    TempDir::WriteFile(path, "[Settings]\nNumApps=2\n[App1]\ntitle=One\n[App2]\ntitle=By hand\n");
    files.full = true;
    EXPECT_FALSE(fresh.SaveDeferred());
    EXPECT_TRUE(fresh.HasDeferredWrites());
    files.full = false;
    ASSERT_TRUE(fresh.WriteString("App2", "Disabled", "1"));
    EXPECT_EQ(FileText(),
              "[Settings]\nNumApps=2\n[App1]\ntitle=One\nLastResult=message shown\n[App2]\ntitle=By hand\n"
              "Disabled=1\n");
    EXPECT_FALSE(fresh.HasDeferredWrites());

    {
        ProfileStore::Batch batch(fresh);
        ASSERT_TRUE(fresh.WriteStringDeferred("App2", "LastResult", "started"));
        ASSERT_TRUE(fresh.SaveDeferred());
        EXPECT_EQ(test::StoredString(path, "App2", "LastResult"), "<missing>");
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(test::StoredString(path, "App2", "LastResult"), "started");
}

TEST_F(StoreTest, StoreDestroyedInsideABatchStillWritesIt) {
    {
        ProfileStore inBatch(path);
        inBatch.BeginBatch();
        inBatch.BeginBatch();
        ASSERT_TRUE(inBatch.WriteInt("Settings", "NumApps", 2));
        ASSERT_TRUE(inBatch.EndBatch());
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_EQ(FileText(), "[Settings]\nNumApps=2\n");
}

TEST_F(StoreTest, BatchReadsTheFileAsItWasWhenTheBatchBegan) {
    ASSERT_TRUE(store.WriteString("s", "k", "old"));
    ProfileStore::Batch batch(store);
    TempDir::WriteFile(path, "[s]\nk=changed behind our back\n");
    EXPECT_EQ(store.ReadString("s", "k"), "old");
    EXPECT_TRUE(batch.Commit());
    EXPECT_EQ(store.ReadString("s", "k"), "changed behind our back");
}

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
TEST_F(StoreTest, KeepsTheModeOfAnExistingFileAndFollowsALink) {
    ASSERT_TRUE(store.WriteInt("s", "k", 1));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(store.WriteInt("s", "k", 2));
    EXPECT_EQ(Stat().st_mode & 07777, 0640u);

    const std::string link = dir.File("link.INI");
    std::filesystem::create_symlink(path, link);
    ProfileStore viaLink(link);
    ASSERT_TRUE(viaLink.WriteInt("s", "k", 3));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(FileText(), "[s]\nk=3\n");
}
#endif  // _WIN32

TEST_F(StoreTest, CreatesTheMissingDirectoryOnWrite) {
    const std::string deep = dir.File("a/b/c/tikr.INI");
    ProfileStore nested(deep);
    EXPECT_EQ(nested.ReadInt("s", "k", 9), 9);
    ASSERT_TRUE(nested.WriteInt("s", "k", 1));
    EXPECT_EQ(TempDir::ReadFile(deep), "[s]\nk=1\n");
}

TEST_F(StoreTest, NamesThatCannotBeStoredAreRefused) {
    ASSERT_TRUE(store.WriteInt("s", "k", 1));
    EXPECT_FALSE(store.WriteString("s]", "k", "v"));
    EXPECT_FALSE(store.WriteString("s", "a=b", "v"));
    EXPECT_FALSE(store.WriteString("s", "k\nx", "v"));
    EXPECT_FALSE(store.WriteString("", "k", "v"));
    ASSERT_EQ(failures.size(), 4u);
    EXPECT_EQ(failures[0].path, path);
    EXPECT_NE(failures[0].reason.find("s]"), std::string::npos) << failures[0].reason;
    EXPECT_EQ(FileText(), "[s]\nk=1\n");
}

}  // namespace
}  // namespace tikr
