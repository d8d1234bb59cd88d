// Actions: loading with defaults, saving the full kind word, running.
#include <gtest/gtest.h>

#include "core/action.h"
#include "core/task.h"
#include "core_fixture.h"

namespace tikr::test {
namespace {

using ActionTest = CoreFixture;

TEST_F(ActionTest, ApplicationWithoutKeysTakesDefaultsAndSavesThem) {
    WriteProfile("[App1]\nTask=A\n");
    RunApplicationAction action(services, services.store.ReadSection("App1"));
    EXPECT_EQ(action.GetCommandLine(), "");
    EXPECT_EQ(action.GetShowState(), 5);
    action.Save("App1");
    EXPECT_EQ(Stored("App1", "Task"), "Application");
    EXPECT_EQ(Stored("App1", "command"), "");
    EXPECT_EQ(Stored("App1", "show"), "5");
}

TEST_F(ActionTest, StoredShowStateIsKeptOnEverySave) {
    WriteProfile("[App1]\nTask=Application\ncommand=/usr/bin/true --flag\nshow=2\n");
    RunApplicationAction action(services, services.store.ReadSection("App1"));
    action.Save("App1");
    action.Save("App1");
    EXPECT_EQ(Stored("App1", "show"), "2");
    action.Run();
    ASSERT_EQ(launcher.started.size(), 1u);
    EXPECT_EQ(launcher.started[0].first, "/usr/bin/true --flag");
    EXPECT_EQ(launcher.started[0].second, 2);
}

TEST_F(ActionTest, RunReportsWhetherTheProgramStarted) {
    RunApplicationAction action(services, "", 5);
    launcher.result = false;
    EXPECT_EQ(action.Run(), 0u);
    launcher.result = true;
    EXPECT_EQ(action.Run(), 1u);
}

TEST_F(ActionTest, MessageDefaultsToMessageAndAlwaysHasTheFixedCaption) {
    WriteProfile("[App1]\ntitle=Tea\nTask=M\n");
    MessageBoxAction action(services, services.store.ReadSection("App1"));
    EXPECT_EQ(action.GetText(), "Message");
    EXPECT_EQ(action.Run(), 1u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, "Message");
    EXPECT_EQ(messages.shown[0].second, "Tikr Scheduled Message");
    action.Save("App1");
    EXPECT_EQ(Stored("App1", "Task"), "Message");
    EXPECT_EQ(Stored("App1", "Message"), "Message");
}

TEST_F(ActionTest, CloneCopiesEveryField) {
    RunApplicationAction app(services, "/bin/app x", 3);
    auto copy = app.Clone();
    ASSERT_EQ(copy->GetKind(), 0);
    EXPECT_EQ(static_cast<RunApplicationAction&>(*copy).GetCommandLine(), "/bin/app x");
    EXPECT_EQ(static_cast<RunApplicationAction&>(*copy).GetShowState(), 3);
    MessageBoxAction box(services, std::string("hello"));
    auto boxCopy = box.Clone();
    ASSERT_EQ(boxCopy->GetKind(), 1);
    EXPECT_EQ(static_cast<MessageBoxAction&>(*boxCopy).GetText(), "hello");
}

TEST_F(ActionTest, KindFromTheFirstLetterOfTaskInEitherCase) {
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"Task=message\n", 1}, {"Task=app\n", 0}, {"Task=MESSAGE\n", 1}, {"Task=Application\n", 0}};
    for (const auto& [line, kind] : cases) {
        WriteProfile(std::string("[App1]\n") + line);
        Task task(services, "App1");
        ASSERT_NE(task.GetAction(), nullptr) << line;
        EXPECT_EQ(task.GetAction()->GetKind(), kind) << line;
    }
}

TEST_F(ActionTest, TaskWithoutActionStillAdvancesAndSaves) {
    WriteProfile("[App1]\nTask=Zap\ntype=Interval\nwhen=00:00\n");
    Task task(services, "App1");
    EXPECT_EQ(task.GetAction(), nullptr);
    clock.Advance(1);
    task.CheckAndRun();
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_TRUE(messages.shown.empty());
    task.Save("App1");
    EXPECT_EQ(Stored("App1", "Task"), "Zap");
    EXPECT_EQ(Stored("App1", "type"), "Interval");
}

TEST_F(ActionTest, MessageBoxActionDeletedWhileItsBoxIsOpen) {
    // The user removes the task while its box is open: the action is gone
    // before Run returns, and nothing of it may be touched afterwards.
    auto task = std::make_unique<Task>(services, "Tea", 0);
    task->SetAction(std::make_unique<MessageBoxAction>(services, std::string("Tea is ready")));
    messages.onShow = [&](const std::string&) { task.reset(); };
    Action* action = task->GetAction();
    EXPECT_EQ(action->Run(), 1u);
    EXPECT_EQ(task, nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].first, "Tea is ready");
}

}  // namespace
}  // namespace tikr::test
