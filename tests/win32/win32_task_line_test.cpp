// The main window's task lines under the real window system: the menu that
// a key or a right-click opens on a line and the command chosen from it,
// the tip that tells a line's task, and the tray icon's balloon.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/task.h"
#include "core_env.h"
#include "ui/res/dialog_resources.h"
#include "ui/res/resource_ids.h"
#include "ui/scheduler_dialog.h"
#include "ui/win32/scheduler_window.h"
#include "ui/win32/win32_tray_port.h"
#include "ui/win32/win32_window_port.h"

namespace tikr::test {
namespace {

namespace res = ui::res;

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

constexpr const char* TWO_TASKS =
    "[settings]\r\nshowicon=0\r\nNumApps=2\r\n[App1]\r\ntitle=First\r\ncommand=first.exe\r\n"
    "[App2]\r\ntitle=Second\r\ncommand=second.exe\r\n";

// Acts like a user on the pop-up menus of this thread, which run their own
// modal loop: a hidden window whose timer looks for them, records where each
// opened and types its key into it. A menu still open after a while is ended,
// so no test waits for ever.
class MenuDriver {
public:
    MenuDriver() {
        WNDCLASSA cls{};
        cls.lpfnWndProc = &MenuDriver::Proc;
        cls.hInstance = Instance();
        cls.lpszClassName = "TikrTestMenuDriver";
        RegisterClassA(&cls);
        hwnd = CreateWindowA(cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, Instance(), nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetTimer(hwnd, 1, 30, nullptr);
    }
    ~MenuDriver() {
        DestroyWindow(hwnd);
        UnregisterClassA("TikrTestMenuDriver", Instance());
    }
    MenuDriver(const MenuDriver&) = delete;
    MenuDriver& operator=(const MenuDriver&) = delete;

    char key = 0;              // the character typed into the next menu (0: Escape)
    std::vector<RECT> opened;  // where each menu opened, on the screen

private:
    static constexpr int PATIENCE_TICKS = 100;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<MenuDriver*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_TIMER && self != nullptr) {
            EnumThreadWindows(GetCurrentThreadId(), &MenuDriver::Each, reinterpret_cast<LPARAM>(self));
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    static BOOL CALLBACK Each(HWND window, LPARAM self) {
        reinterpret_cast<MenuDriver*>(self)->Found(window);
        return TRUE;
    }
    void Found(HWND window) {
        char name[16] = "";
        GetClassNameA(window, name, sizeof(name));
        if (!IsWindowVisible(window) || lstrcmpA(name, "#32768") != 0) return;
        if (window != current) {
            current = window;
            ticks = 0;
            RECT at{};
            GetWindowRect(window, &at);
            opened.push_back(at);
            // The menu loop reads the keys of the thread's queue.
            if (key != 0) PostMessageA(window, WM_CHAR, static_cast<WPARAM>(key), 0);
            else PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        } else if (++ticks > PATIENCE_TICKS) {
            EndMenu();
        }
    }

    HWND hwnd = nullptr;
    HWND current = nullptr;
    int ticks = 0;
};

struct MainWindow {
    // Tests call Started() first: a window that did not start fails its
    // test there, before anything uses it.
    explicit MainWindow(const char* profile = TWO_TASKS) : env(profile) {
        started = window.Start();
        main = window.Window();
        list = GetDlgItem(main, res::IDC_TASK_LIST);
    }
    Task& TaskAt(int line) { return *schedulerDialog.GetTasks().GetTask(line); }
    int Selection() const { return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)); }
    // A point inside the line, in the list's client coordinates.
    POINT InLine(int line) const {
        RECT rect{};
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&rect));
        return {rect.left + 5, (rect.top + rect.bottom) / 2};
    }
    POINT OnScreen(POINT client) const {
        ClientToScreen(list, &client);
        return client;
    }
    // A right-click: the list box turns the release into WM_CONTEXTMENU,
    // which goes to the window.
    void RightClick(POINT client) const { SendMessageA(list, WM_RBUTTONUP, 0, MAKELPARAM(client.x, client.y)); }

    CoreEnv env;
    ui::SchedulerDialog schedulerDialog{env.services, "tikr"};
    win32::SchedulerWindow window{Instance(), schedulerDialog};
    HWND main = nullptr;
    HWND list = nullptr;
    bool started = false;
};

TEST(Win32TaskLine, KeysAndRightClicksOpenTheLineMenuWhoseChoiceRunsOnThatLine) {
    MainWindow w;
    ASSERT_TRUE(w.started);
    ASSERT_EQ(w.Selection(), 0);
    MenuDriver driver;

    // The Menu key or Shift+F10: the selected line's menu, below its left
    // end; "&Run Now" runs the first task.
    driver.key = 'r';
    SendMessageA(w.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.list), -1);
    ASSERT_EQ(driver.opened.size(), 1u);
    RECT line{};
    SendMessageA(w.list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&line));
    const POINT corner = w.OnScreen({line.left, line.bottom});
    EXPECT_EQ(driver.opened[0].left, corner.x);
    EXPECT_EQ(driver.opened[0].top, corner.y);
    ASSERT_EQ(w.env.launcher.started.size(), 1u);
    EXPECT_EQ(w.env.launcher.started[0].first, "first.exe");

    // A right-click on the second line selects it and opens the menu at the
    // pointer; "&Disable" acts on that line.
    driver.key = 'd';
    const POINT second = w.InLine(1);
    w.RightClick(second);
    ASSERT_EQ(driver.opened.size(), 2u);
    EXPECT_EQ(w.Selection(), 1);
    EXPECT_EQ(driver.opened[1].left, w.OnScreen(second).x);
    EXPECT_EQ(driver.opened[1].top, w.OnScreen(second).y);
    EXPECT_TRUE(w.TaskAt(1).IsDisabled());
    EXPECT_FALSE(w.TaskAt(0).IsDisabled());

    // The menu follows the task: "&Enable" now; Escape chooses nothing.
    driver.key = 'e';
    SendMessageA(w.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w.list), -1);
    EXPECT_FALSE(w.TaskAt(1).IsDisabled());
    driver.key = 0;
    w.RightClick(w.InLine(0));
    ASSERT_EQ(driver.opened.size(), 4u);
    EXPECT_EQ(w.Selection(), 0);
    EXPECT_EQ(w.env.launcher.started.size(), 1u);
    EXPECT_FALSE(w.TaskAt(0).IsDisabled());

    // Below the last line, or from another control: no menu.
    RECT client{};
    GetClientRect(w.list, &client);
    w.RightClick({client.left + 5, client.bottom - 2});
    SendMessageA(w.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetDlgItem(w.main, res::IDC_ADD)), -1);
    EXPECT_EQ(driver.opened.size(), 4u);
    EXPECT_EQ(w.Selection(), 0);
}

// The session ends (WM_ENDSESSION) while a scheduled message box is open
// and a failed write left the tasks unstored: the end stores them and the
// box's outcome, and no task after the box starts any more.
TEST(Win32TaskLine, TheEndOfTheSessionStoresWhatIsPendingAndStartsNothingMore) {
    MainWindow w(
        "[settings]\r\nshowicon=0\r\nNumApps=2\r\n"
        "[App1]\r\ntitle=Box\r\nTask=Message\r\nMessage=Hello\r\ntype=Daily\r\nwhen=00:00\r\n"
        "RunMissedOnStartup=Yes\r\nNextAt=01-Jan-2020 00:00:00\r\n"
        "[App2]\r\ntitle=Later\r\nTask=Application\r\ncommand=later.exe\r\ntype=Daily\r\nwhen=00:00\r\n"
        "RunMissedOnStartup=Yes\r\nNextAt=01-Jan-2020 00:00:00\r\n");
    ASSERT_TRUE(w.started);
    w.env.store.SetWriteFailureHandler([&](const WriteFailure& failure) { w.schedulerDialog.OnWriteFailure(failure); });
    // Another program has made the file read-only: the pass cannot store
    // the next runs. It lets go while the box is open, and the session ends.
    ASSERT_TRUE(SetFileAttributesA(w.env.path.c_str(), FILE_ATTRIBUTE_READONLY));
    bool pendingAtTheEnd = false;
    w.env.messages.onShow = [&](const std::string&) {
        pendingAtTheEnd = w.schedulerDialog.IsSavePending();
        SetFileAttributesA(w.env.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        SendMessageA(w.main, WM_QUERYENDSESSION, 0, 0);
        SendMessageA(w.main, WM_ENDSESSION, TRUE, 0);
    };
    SendMessageA(w.main, WM_TIMER, ui::SCHEDULER_TIMER_ID, 0);
    ASSERT_EQ(w.env.messages.shown.size(), 1u);
    EXPECT_TRUE(pendingAtTheEnd);
    EXPECT_TRUE(w.window.Ended());
    EXPECT_TRUE(w.env.launcher.started.empty());
    EXPECT_EQ(w.env.Stored("App1", "NextAt"), "09-Dec-2026 00:00:00");
    EXPECT_EQ(w.env.Stored("App1", "LastResult"), "message shown; ran late: due 00:00:00");
    w.env.store.SetWriteFailureHandler({});
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));  // the end of the window's loop
}

TEST(Win32TaskLine, TheTipOfTheLineUnderThePointerTellsItsTaskAsItIsNow) {
    MainWindow w;
    ASSERT_TRUE(w.started);
    HWND tips = w.window.Port().Tips();
    ASSERT_NE(tips, nullptr);
    // One tool over the whole list, its text asked of the window; a width
    // limit, so that the text's line breaks count.
    EXPECT_EQ(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0), 1);
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    ASSERT_TRUE(SendMessageA(tips, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(tool.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), static_cast<UINT>(TTF_IDISHWND | TTF_SUBCLASS));
    EXPECT_EQ(tool.hwnd, w.main);
    EXPECT_EQ(tool.uId, reinterpret_cast<UINT_PTR>(w.list));
    EXPECT_GT(SendMessageA(tips, TTM_GETMAXTIPWIDTH, 0, 0), 0);

    // The window's answer to the tooltip's request for text (sent when the
    // tip shows), after the pointer moved over the list.
    const auto tipAt = [&](POINT client) {
        SendMessageA(w.list, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        NMTTDISPINFOA request{};
        request.hdr.hwndFrom = tips;
        request.hdr.idFrom = reinterpret_cast<UINT_PTR>(w.list);
        request.hdr.code = TTN_GETDISPINFOA;
        SendMessageA(w.main, WM_NOTIFY, request.hdr.idFrom, reinterpret_cast<LPARAM>(&request));
        return std::string(request.lpszText != nullptr ? request.lpszText : "(none)");
    };
    w.TaskAt(1).SetDisabled(true);
    EXPECT_NE(w.schedulerDialog.DescribeLine(0), w.schedulerDialog.DescribeLine(1));
    EXPECT_NE(w.schedulerDialog.DescribeLine(0).find('\n'), std::string::npos);
    EXPECT_EQ(tipAt(w.InLine(0)), w.schedulerDialog.DescribeLine(0));
    EXPECT_EQ(tipAt(w.InLine(1)), w.schedulerDialog.DescribeLine(1));
    // Asked anew each time: a run since shows.
    const std::string before = w.schedulerDialog.DescribeLine(0);
    ASSERT_TRUE(w.schedulerDialog.GetTasks().RunNow(0));
    EXPECT_NE(w.schedulerDialog.DescribeLine(0), before);
    EXPECT_EQ(tipAt(w.InLine(0)), w.schedulerDialog.DescribeLine(0));
    // Below the last line: no tip.
    RECT client{};
    GetClientRect(w.list, &client);
    EXPECT_EQ(tipAt({client.left + 5, client.bottom - 2}), "");

    // The pointer rests on a line and the tip shows (at once here); moved to
    // another line, it tells that one's task; below the lines it goes.
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_INITIAL, 1);
    const auto pointTo = [&](POINT client) {
        const POINT screen = w.OnScreen(client);
        SetCursorPos(screen.x, screen.y);
        SendMessageA(w.list, WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    };
    const auto shownText = [&] {
        char text[1024] = "";
        SendMessageA(tips, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        return IsWindowVisible(tips) ? std::string(text) : std::string("(hidden)");
    };
    const auto shownSoon = [&](const std::string& expected) {
        for (int tries = 0; tries < 100 && shownText() != expected; ++tries) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) w.window.Dispatch(message);
            Sleep(20);
        }
        return shownText();
    };
    pointTo(w.InLine(0));
    EXPECT_EQ(shownSoon(w.schedulerDialog.DescribeLine(0)), w.schedulerDialog.DescribeLine(0));
    pointTo(w.InLine(1));
    EXPECT_EQ(shownSoon(w.schedulerDialog.DescribeLine(1)), w.schedulerDialog.DescribeLine(1));
    pointTo({client.left + 5, client.bottom - 2});
    EXPECT_EQ(shownSoon("(hidden)"), "(hidden)");
}

TEST(Win32TrayPort, TheBalloonCarriesTitleAndTextCutToTheirFieldsWithTheWarningIcon) {
    HWND owner = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr);
    ASSERT_NE(owner, nullptr);
    const NOTIFYICONDATAA data = win32::BalloonRecord(owner, std::string(100, 't'), "Task \"A\" could not start");
    EXPECT_EQ(data.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
    EXPECT_EQ(data.hWnd, owner);
    EXPECT_EQ(data.uID, ui::TRAY_ICON_ID);
    EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(data.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_EQ(std::string(data.szInfoTitle), std::string(63, 't'));
    EXPECT_EQ(std::string(data.szInfo), "Task \"A\" could not start");
    EXPECT_EQ(std::string(win32::BalloonRecord(owner, "", std::string(300, 'x')).szInfo), std::string(255, 'x'));

    // Only from a registered icon.
    {
        win32::Win32TrayPort tray(Instance(), owner);
        EXPECT_FALSE(tray.TrayNotify("tikr", "not yet"));
        ASSERT_TRUE(tray.TrayAdd("2 Task(s) Scheduled"));
        EXPECT_TRUE(tray.TrayNotify("tikr: a task could not start", "Task \"A\" could not start"));
        EXPECT_TRUE(tray.Registered());
        tray.TrayDelete();
        EXPECT_FALSE(tray.TrayNotify("tikr", "gone"));
    }
    DestroyWindow(owner);

    // A character of the code page stays whole or goes.
    struct Cut {
        UINT codePage;
        std::string text;
        std::size_t maxBytes;
        std::string expected;
    };
    const Cut cuts[] = {
        {1252, "abc\xe9", 3, "abc"},
        {1252, std::string("ab\0cd", 5), 4, "ab"},
        {932, "a\x82\xa0\x82\xa2", 4, "a\x82\xa0"},
        {932, "a\x82\xa0\x82\xa2", 5, "a\x82\xa0\x82\xa2"},
        {932, "a\x82", 5, "a\x82"},
        {CP_UTF8, "a\xc3\xa9\xe2\x82\xac", 5, "a\xc3\xa9"},
        {CP_UTF8, "a\xc3\xa9\xe2\x82\xac", 6, "a\xc3\xa9\xe2\x82\xac"},
    };
    for (const Cut& cut : cuts) {
        EXPECT_EQ(win32::CutToBytes(cut.text, cut.maxBytes, cut.codePage), cut.expected)
            << "code page " << cut.codePage << ", " << cut.maxBytes << " bytes";
    }
}

}  // namespace
}  // namespace tikr::test
