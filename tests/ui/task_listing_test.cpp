// The command-line options and "--list": an aligned table of the tasks in
// the profile file, read without changing it.
#include <gtest/gtest.h>

#include <filesystem>

#include "core_env.h"
#include "ui/command_options.h"
#include "ui/task_listing.h"

namespace tikr::test {
namespace {

using ui::CommandMode;
using ui::ParseCommandOptions;

TEST(CommandOptions, OursDecideToolkitOptionsPassAndTheRestIsAUsageError) {
    EXPECT_EQ(ParseCommandOptions({}).mode, CommandMode::run);
    // The toolkit's options with a value, in both spellings.
    for (const std::vector<std::string>& toolkit : {std::vector<std::string>{"-platform", "offscreen"},
                                                    {"-platform=offscreen"},
                                                    {"-session", "10d6f3"},
                                                    {"-display", ":1", "-style", "Fusion"},
                                                    {"-session"},
                                                    {"-reverse"}})
        EXPECT_EQ(ParseCommandOptions(toolkit).mode, CommandMode::run) << toolkit[0];
    EXPECT_EQ(ParseCommandOptions({"-display", ":1", "--list"}).mode, CommandMode::list);
    EXPECT_EQ(ParseCommandOptions({"-reverse", "offscreen"}).mode, CommandMode::usageError);
    EXPECT_EQ(ParseCommandOptions({"--list"}).mode, CommandMode::list);
    EXPECT_EQ(ParseCommandOptions({"--version"}).mode, CommandMode::version);
    EXPECT_EQ(ParseCommandOptions({"--list", "-h"}).mode, CommandMode::help);
    const ui::CommandOptions wrong = ParseCommandOptions({"--list", "--lsit"});
    EXPECT_EQ(wrong.mode, CommandMode::usageError);
    EXPECT_EQ(wrong.wrong, "--lsit");
    EXPECT_EQ(ParseCommandOptions({"-"}).mode, CommandMode::usageError);
    // Without a toolkit (Windows) every other argument is wrong.
    EXPECT_EQ(ParseCommandOptions({"-session"}, false).mode, CommandMode::usageError);

    // What each ends with: the usage on standard error and status 2 for a
    // wrong option; the listing made only when asked for.
    int listings = 0;
    const auto listing = [&listings] { return ++listings, ui::Listing{"table\n", {}}; };
    EXPECT_FALSE(ui::CommandOutputFor(ParseCommandOptions({}), "tikr", "1.2", listing));
    const auto usage = ui::CommandOutputFor(wrong, "tikr", "1.2", listing);
    ASSERT_TRUE(usage);
    EXPECT_EQ(usage->status, 2);
    EXPECT_EQ(usage->output, "");
    EXPECT_EQ(usage->error, "tikr: unknown option --lsit\n" + ui::UsageText("tikr"));
    EXPECT_EQ(ui::CommandOutputFor(ParseCommandOptions({"--version"}), "tikr", "1.2", listing)->output, "tikr 1.2\n");
    EXPECT_EQ(listings, 0);
    EXPECT_EQ(ui::CommandOutputFor(ParseCommandOptions({"--list"}), "tikr", "1.2", listing)->output, "table\n");
    const auto unread = ui::CommandOutputFor(ParseCommandOptions({"--list"}), "tikr", "1.2", [] {
        return ui::Listing{{}, "cannot read the profile file p: why"};
    });
    EXPECT_EQ(unread->status, 1);
    EXPECT_EQ(unread->output, "");
    EXPECT_EQ(unread->error, "tikr: cannot read the profile file p: why\n");
}

TEST(TaskListing, AlignedTableOfWhatLoadsAndTheFileIsLeftAsItWas) {
    CoreEnv env(
        "[settings]\nNumApps=3\n"
        "[App1]\ntitle=Backup h\xc3\xb6me\nTask=A\ncommand=backup\ntype=Daily\nwhen=08:00\n"
        "NextAt=10-Dec-2026 08:00:00\nLastRun=09-Dec-2026 08:00:00\nLastResult=exited with status 3 after 1 s\n"
        "RunningSince=10-Dec-2026 08:00:02\n"
        "[App2]\ntitle=Tea\tbreak\nDisabled=1\nTask=M\ntype=Weekly\nDayOfWeek=5\nwhen=16:00\n"
        "NextAt=11-Dec-2026 16:00:00\n");
    // App3 is missing and its next run unknown: loading computes one,
    // which the window would store and the listing must not.
    const std::string before = env.ProfileText();
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    const std::string table = ui::ListProfileTasks(env.path, *files, env.clock).table;
    EXPECT_EQ(
        table,
        "TITLE        RULE                   NEXT RUN               LAST RUN              OUTCOME                   "
        "      RUNNING SINCE\n"
        "Backup h\xc3\xb6me  Every day at 08:00     Thu 10 Dec 2026 08:00  Wed 9 Dec 2026 08:00  "
        "exited with status 3 after 1 s  Thu 10 Dec 2026 08:00:02\n"
        "Tea break    Every Friday at 16:00  disabled               never\n"
        "App3         At every check         Tue 8 Dec 2026 14:30   never\n");
    EXPECT_EQ(env.ProfileText(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(env.dir.Path()), {}), 1);

    // A count below zero, as a person may type it, lists no task.
    CoreEnv negative("[settings]\nNumApps=-5\n[App1]\ntitle=Never listed\n");
    EXPECT_EQ(ui::ListProfileTasks(negative.path, *files, negative.clock).table,
              "TITLE  RULE  NEXT RUN  LAST RUN  OUTCOME  RUNNING SINCE\n");

    // No file: a heading alone, and still no file.
    std::filesystem::remove(env.path);
    const ui::Listing none = ui::ListProfileTasks(env.path, *files, env.clock);
    EXPECT_EQ(none.table.find('\n') + 1, none.table.size());
    EXPECT_EQ(none.error, "");
    EXPECT_FALSE(env.ProfileExists());

    // A profile that is there but cannot be read (here a folder) lists
    // nothing and says why.
    std::filesystem::create_directory(env.path);
    const ui::Listing folder = ui::ListProfileTasks(env.path, *files, env.clock);
    EXPECT_EQ(folder.table, "");
    EXPECT_EQ(folder.error.rfind("cannot read the profile file " + env.path + ": ", 0), 0u) << folder.error;
}

// Columns line up on a terminal for wide and combining characters, and a
// last run on the last day a date holds is a date, never "never".
TEST(TaskListing, AlignsByScreenColumnsAndShowsAFarLastRunWithItsOutcome) {
    CoreEnv env(
        "[settings]\nNumApps=3\n"
        "[App1]\ntitle=\xe6\x97\xa5\xe6\x9c\xac\ntype=I\nwhen=01:00\nLastRun=31-Dec-9999 00:00:00\nLastResult=future\n"
        "[App2]\ntitle=Cafe\xcc\x81\ntype=I\nwhen=01:00\nLastRun=31-Dec-9999 12:00:00\nLastResult=later\n"
        "NextAt=08-Dec-2026 15:10:00\n[App3]\ntitle=\xf0\x9f\x99\x82 ok\ntype=I\nwhen=01:00\nNextAt=08-Dec-2026 "
        "14:00:00\n");
    // App2's next run, stored by a scheduler that runs, is shown as it
    // holds it; App3's has passed, and a start would restart it now.
    const std::unique_ptr<FileSystem> files = MakeSystemFileSystem();
    EXPECT_EQ(ui::ListProfileTasks(env.path, *files, env.clock).table,
              "TITLE  RULE          NEXT RUN              LAST RUN               OUTCOME  RUNNING SINCE\n"
              "\xe6\x97\xa5\xe6\x9c\xac   Every 1 hour  Tue 8 Dec 2026 15:30  Fri 31 Dec 9999 00:00  future\n"
              "Cafe\xcc\x81   Every 1 hour  Tue 8 Dec 2026 15:10  unknown                later\n"
              "\xf0\x9f\x99\x82 ok  Every 1 hour  Tue 8 Dec 2026 15:30  never\n");
}

}  // namespace
}  // namespace tikr::test
