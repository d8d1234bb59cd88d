// The Windows instance guard, run under Wine. A "later start" runs on a
// thread of its own (the mutex belongs to the thread that took it), while
// this thread keeps the windows' messages flowing.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/win32/win32_instance_guard.h"

namespace tikr {
namespace {

using Role = InstanceGuard::Role;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// A profile path of this test process's own, so that runs never meet.
std::string Profile(const std::string& name = "tikr.INI") {
    return "C:\\tikr-test-" + std::to_string(GetCurrentProcessId()) + "\\" + name;
}

// Dispatches this thread's messages until condition holds or timeout passes.
bool PumpUntil(const std::function<bool()>& condition, milliseconds timeout = milliseconds(20000)) {
    const auto stop = Clock::now() + timeout;
    while (!condition()) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (Clock::now() >= stop) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// A later start on its own thread; its outcome once done is set.
struct LaterStart {
    explicit LaterStart(const std::string& profile, milliseconds wait = Win32InstanceGuard::DEFAULT_WAIT) {
        thread = std::thread([this, profile, wait] {
            const auto t0 = Clock::now();
            auto guard = Win32InstanceGuard::Acquire(profile, wait);
            role = guard->GetRole();
            error = guard->GetError();
            took = std::chrono::duration_cast<milliseconds>(Clock::now() - t0);
            guard.reset();
            done = true;
        });
    }
    ~LaterStart() {
        if (thread.joinable()) thread.join();
    }
    std::thread thread;
    std::atomic<bool> done{false};
    Role role = Role::unguarded;
    std::string error = "not run";
    milliseconds took{};
};

class Window {
public:
    Window(const char* className, const char* caption) {
        handle = CreateWindowExA(0, className, caption, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~Window() {
        if (handle != nullptr) DestroyWindow(handle);
    }
    HWND handle;
};

class Win32InstanceGuardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSA cls{};
        cls.lpfnWndProc = DefWindowProcA;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = MAIN_WINDOW_CLASS;
        RegisterClassA(&cls);
    }
};

TEST_F(Win32InstanceGuardTest, LaterStartShowsTheRunningTikrsHiddenWindowAndEnds) {
    auto running = Win32InstanceGuard::Acquire(Profile());
    ASSERT_EQ(running->GetRole(), Role::first) << running->GetError();
    EXPECT_EQ(running->GetError(), "");
    // A window of another program captioned "Tikr" (or "tikr") is no target.
    Window impostor("STATIC", "tikr");
    Window main(MAIN_WINDOW_CLASS, "Tikr");
    ASSERT_NE(main.handle, nullptr);
    ASSERT_FALSE(IsWindowVisible(main.handle));

    LaterStart later(Profile());
    EXPECT_TRUE(PumpUntil([&] { return later.done && IsWindowVisible(main.handle); }));
    later.thread.join();
    EXPECT_EQ(later.role, Role::alreadyRunning);
    EXPECT_EQ(later.error, "");
    EXPECT_FALSE(IsWindowVisible(impostor.handle));

    // A minimised window is restored.
    ShowWindow(main.handle, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(main.handle));
    LaterStart again(Profile());
    EXPECT_TRUE(PumpUntil([&] { return again.done && !IsIconic(main.handle); }));
    again.thread.join();
    EXPECT_EQ(again.role, Role::alreadyRunning);

    struct NoWatch : DescriptorWatcher {
        void Watch(int, std::function<void()>) override { ADD_FAILURE() << "nothing to watch"; }
        void Unwatch(int) override {}
    } watch;
    EXPECT_FALSE(running->ServeShowRequests(watch, [] {}));
}

TEST_F(Win32InstanceGuardTest, RunningTikrWithoutItsWindowYetMakesALaterStartEndAfterTheBound) {
    auto running = Win32InstanceGuard::Acquire(Profile());
    ASSERT_EQ(running->GetRole(), Role::first);
    LaterStart later(Profile(), milliseconds(300));
    later.thread.join();
    EXPECT_EQ(later.role, Role::alreadyRunning) << "never a second scheduler while the mutex is held";
    EXPECT_FALSE(later.error.empty());
    EXPECT_GE(later.took.count(), 250);

    // The window appears while a later start waits: it is found then.
    LaterStart waiting(Profile());
    Window main(MAIN_WINDOW_CLASS, "Tikr");
    EXPECT_TRUE(PumpUntil([&] { return waiting.done.load(); }));
    waiting.thread.join();
    EXPECT_EQ(waiting.role, Role::alreadyRunning);
    EXPECT_EQ(waiting.error, "");
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main.handle) != FALSE; }));
}

TEST_F(Win32InstanceGuardTest, EndedOrDeadOwnerDoesNotBlockTheNextStart) {
    {
        auto first = Win32InstanceGuard::Acquire(Profile());
        ASSERT_EQ(first->GetRole(), Role::first);
    }
    LaterStart next(Profile(), milliseconds(300));
    next.thread.join();
    EXPECT_EQ(next.role, Role::first) << next.error;

    // An owner whose thread ends without letting go, as a crash would leave it.
    std::unique_ptr<Win32InstanceGuard> abandoned;
    std::thread([&] { abandoned = Win32InstanceGuard::Acquire(Profile()); }).join();
    ASSERT_EQ(abandoned->GetRole(), Role::first);
    auto after = Win32InstanceGuard::Acquire(Profile(), milliseconds(300));
    EXPECT_EQ(after->GetRole(), Role::first) << after->GetError();
    after.reset();
    abandoned.reset();
}

TEST_F(Win32InstanceGuardTest, TheGuardFollowsTheProfileFile) {
    const std::string dir = "C:\\tikr-test-" + std::to_string(GetCurrentProcessId());
    EXPECT_EQ(Win32InstanceGuard::Acquire(dir + "\\tikr.INI")->GetMutexName(),
              Win32InstanceGuard::Acquire("c:/TIKR-TEST-" + std::to_string(GetCurrentProcessId()) + "/sub/../TIKR.ini")
                  ->GetMutexName());
    EXPECT_EQ(Win32InstanceGuard::Acquire(dir + "\\tikr.INI")->GetMutexName().rfind("Local\\Tikr-", 0), 0u);

    auto running = Win32InstanceGuard::Acquire(Profile());
    ASSERT_EQ(running->GetRole(), Role::first);
    LaterStart other(Profile("other.INI"), milliseconds(300));
    other.thread.join();
    EXPECT_EQ(other.role, Role::first) << "another profile is another scheduler";
}

TEST_F(Win32InstanceGuardTest, SimultaneousStartsLeaveOneFirst) {
    for (int round = 0; round < 5; ++round) {
        std::atomic<int> firsts{0}, others{0};
        std::atomic<bool> go{false}, release{false};
        std::atomic<int> ended{0};
        std::thread starts[4];
        for (auto& t : starts) {
            t = std::thread([&] {
                while (!go) std::this_thread::yield();
                auto guard = Win32InstanceGuard::Acquire(Profile(), milliseconds(200));
                (guard->GetRole() == Role::first ? firsts : others)++;
                ++ended;
                // The first keeps the mutex until every start has its role.
                while (!release) Sleep(1);
            });
        }
        go = true;
        while (ended < 4) Sleep(1);
        release = true;
        for (auto& t : starts) t.join();
        EXPECT_EQ(firsts, 1) << "round " << round;
        EXPECT_EQ(others, 3) << "round " << round;
    }
}

}  // namespace
}  // namespace tikr
