// The XDG autostart entry: how the Exec key names the program, and which
// user and system-wide files count as on.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/posix/posix_login_entry.h"
#include "temp_dir.h"

namespace tikr {
namespace {

TEST(PosixLoginEntry, ExecQuotesThePathAsTheDesktopEntryFormatWants) {
    const struct {
        const char* path;
        const char* exec;
    } cases[] = {
        {"/usr/bin/tikr", R"("/usr/bin/tikr")"},
        {"/opt/my tools/tikr", R"("/opt/my tools/tikr")"},
        {"/a\"b`c$d/tikr", R"("/a\\"b\\`c\\$d/tikr")"},
        {"/a\\b/tikr", R"("/a\\\\b/tikr")"},
        {"/100%/tikr", R"("/100%%/tikr")"},
        {"/a\nb/tikr", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(DesktopExecArgument(c.path), c.exec) << c.path;
}

TEST(PosixLoginEntry, DisabledEntriesAreOffAndOtherCopiesOnButNotCurrent) {
    test::TempDir dir;
    const std::string user = dir.File("user"), system = dir.File("system");
    std::filesystem::create_directories(system);
    XdgAutostartEntry entry(user, {system}, "/usr/bin/tikr");
    const std::string mine = entry.EntryText();
    const struct {
        const char* what;
        std::string userFile, systemFile;  // empty: none
        bool on, current;
    } cases[] = {
        {"none", "", "", false, false},
        {"this program's", mine, "", true, true},
        {"hidden", mine + "Hidden=true\n", "", false, false},
        {"disabled for GNOME", "[Desktop Entry]\nExec=tikr\nX-GNOME-Autostart-enabled=false\n", "", false, false},
        {"another copy", "[Desktop Entry]\nExec=/home/me/build/tikr\n", "", true, false},
        {"a system-wide one", "", "[Desktop Entry]\nExec=tikr\n", true, false},
        {"a system-wide one the user hid", mine + "Hidden=true\n", "[Desktop Entry]\nExec=tikr\n", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(user);
        std::filesystem::remove(system + "/tikr.desktop");
        if (!c.userFile.empty()) {
            std::filesystem::create_directories(user);
            test::TempDir::WriteFile(user + "/tikr.desktop", c.userFile);
        }
        if (!c.systemFile.empty()) test::TempDir::WriteFile(system + "/tikr.desktop", c.systemFile);
        const LoginEntry read = entry.Read();
        EXPECT_EQ(read.on, c.on);
        EXPECT_EQ(read.current, c.current);
    }
}

}  // namespace
}  // namespace tikr
