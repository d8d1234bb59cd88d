#include "store/profile_location.h"

#ifndef _WIN32
#include "platform/posix/posix_profile_location.h"
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>
#include <filesystem>
#include <optional>
#include <string>

#include "temp_dir.h"

namespace tikr {
namespace {

TEST(ProfileLocationTest, NamesComeFromTheExecutablesFileName) {
    const struct {
        const char* path;
        const char* name;
    } cases[] = {
        {"/usr/bin/tikr", "tikr"},
        {"C:\\Tools\\sched.exe", "sched"},
        {"C:sched.exe", "sched"},
        {"tikr", "tikr"},
        {"./tikr.bin", "tikr"},
        {"/opt/my.app/tikr", "tikr"},
        {"/opt/my.app/tikr.old.exe", "tikr.old"},
        {"/home/u/.tikr", ".tikr"},
        {"/usr/bin/", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExecutableName(c.path), c.name) << c.path;
        EXPECT_EQ(ProfileFileName(c.path), std::string(c.name) + ".INI") << c.path;
    }
}

#ifndef _WIN32
// Sets environment variables for one test and puts them back after.
class EnvironmentGuard {
public:
    explicit EnvironmentGuard(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const char* value = std::getenv(name);
            saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
        }
    }
    ~EnvironmentGuard() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    static void Set(const char* name, const char* value) {
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
#endif  // _WIN32

// An older file where an earlier version kept it carries over once and
// stays where it was; an existing profile is never overwritten.
TEST(ProfileLocationTest, OlderProfileCarriesOverOnlyWhenThereIsNone) {
    test::TempDir dir;
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    const std::string path = dir.File("appdata/tikr.INI");
    const std::vector<std::string> older = {dir.File("virtualstore/tikr.INI"), dir.File("windows/tikr.INI")};
    std::filesystem::create_directory(dir.File("windows"));
    EXPECT_FALSE(CarryOverProfile(*files, path, older));  // nothing to carry
    EXPECT_FALSE(std::filesystem::exists(path));

    test::TempDir::WriteFile(older[1], "[Settings]\r\nNumApps=2\r\n");
    EXPECT_TRUE(CarryOverProfile(*files, path, older));
    EXPECT_EQ(test::TempDir::ReadFile(path), "[Settings]\r\nNumApps=2\r\n");
    EXPECT_EQ(test::TempDir::ReadFile(older[1]), "[Settings]\r\nNumApps=2\r\n");

    std::filesystem::create_directory(dir.File("virtualstore"));
    test::TempDir::WriteFile(older[0], "[Settings]\r\nNumApps=5\r\n");
    EXPECT_FALSE(CarryOverProfile(*files, path, older));
    EXPECT_EQ(test::TempDir::ReadFile(path), "[Settings]\r\nNumApps=2\r\n");

    std::filesystem::remove(path);  // the VirtualStore copy is what the old program saw
    EXPECT_TRUE(CarryOverProfile(*files, path, older));
    EXPECT_EQ(test::TempDir::ReadFile(path), "[Settings]\r\nNumApps=5\r\n");
}

// A copy of the program under another name keeps its records apart, beside
// the first one's, as its profile file is.
TEST(ProfileLocationTest, EachProgramNameHasARecordsFolderOfItsOwn) {
    const std::string own = RunRecordsFolder("/opt/bin/tikr.exe");
    const std::string copy = RunRecordsFolder("C:\\Tools\\sched.exe");
    if (own.empty()) GTEST_SKIP() << "no records folder can be named here";
    ASSERT_GE(own.size(), 5u);
    EXPECT_EQ(own.substr(own.size() - 4), "tikr");
    EXPECT_EQ(copy, own.substr(0, own.size() - 4) + "sched");
    EXPECT_EQ(RunRecordsFolderName(""), "tikr");
}

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
TEST(ProfileLocationTest, ConfigDirectoryFollowsXdgThenHome) {
    EnvironmentGuard guard{"XDG_CONFIG_HOME", "HOME"};
    const struct {
        const char* xdg;
        const char* home;
        const char* expected;
    } cases[] = {
        {"/x/config", "/home/u", "/x/config"},
        {"relative/config", "/home/u", "/home/u/.config"},
        {"", "/home/u/", "/home/u/.config"},
        {nullptr, "/home/u", "/home/u/.config"},
        {nullptr, "/", "/.config"},
        {nullptr, nullptr, ""},
        {nullptr, "", ""},
    };
    for (const auto& c : cases) {
        EnvironmentGuard::Set("XDG_CONFIG_HOME", c.xdg);
        EnvironmentGuard::Set("HOME", c.home);
        EXPECT_EQ(ConfigDirectory(), c.expected) << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}
#endif  // _WIN32

#ifndef _WIN32  // POSIX files: modes, links, special files, processes
TEST(ProfileLocationTest, ProfilePathCreatesTheDirectoryOrFallsBack) {
    EnvironmentGuard guard{"XDG_CONFIG_HOME", "HOME"};
    test::TempDir dir;
    std::string error;
    const std::string config = dir.File("home/.config");
    EnvironmentGuard::Set("XDG_CONFIG_HOME", nullptr);
    EnvironmentGuard::Set("HOME", dir.File("home").c_str());
    EXPECT_EQ(ProfilePath("/usr/bin/tikr", error), config + "/tikr.INI");
    EXPECT_TRUE(std::filesystem::is_directory(config));

    test::TempDir::WriteFile(dir.File("file"), "x");
    EnvironmentGuard::Set("XDG_CONFIG_HOME", dir.File("file/config").c_str());
    EXPECT_EQ(ProfilePath("/usr/bin/tikr", error), "tikr.INI");

    EnvironmentGuard::Set("XDG_CONFIG_HOME", nullptr);
    EnvironmentGuard::Set("HOME", nullptr);
    EXPECT_EQ(ProfilePath("/usr/bin/tikr", error), "tikr.INI");
}
#endif  // _WIN32

}  // namespace
}  // namespace tikr
