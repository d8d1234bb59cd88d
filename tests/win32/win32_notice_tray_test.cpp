// The Win32 window port's notices and the tray port against the real
// window system and notification area (under Wine in CI).
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "ui/tray_port.h"
#include "ui/win32/win32_tray_port.h"
#include "ui/win32/win32_window_port.h"
#include "win32_test_window.h"

namespace tikr::test {
namespace {

namespace res = ui::res;
using win32::Win32WindowPort;

TEST(Win32WindowPort, NoticesDoNotWaitAndReplaceEachOther) {
    TemplateDialog owner(res::SchedulerDialogResource());
    ASSERT_NE(owner.hwnd, nullptr);
    HWND second = nullptr;
    {
        Win32WindowPort port(Instance(), owner.hwnd);
        // An "&" in a path is shown, not taken for a mnemonic marker.
        port.ShowNotice("The profile file C:\\Tom & Jerry\\tikr.INI cannot be written.", "tikr");
        HWND first = port.Notice();
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(IsWindowVisible(first));
        EXPECT_EQ(GetWindow(first, GW_OWNER), owner.hwnd);
        EXPECT_EQ(WindowText(first), "tikr");
        EXPECT_EQ(ItemText(first, 0xFFFF), "The profile file C:\\Tom & Jerry\\tikr.INI cannot be written.");
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(first, 0xFFFF), GWL_STYLE) & SS_NOPREFIX);
        port.ShowNotice("Still not.", "tikr");
        EXPECT_FALSE(IsWindow(first));
        second = port.Notice();
        EXPECT_EQ(ItemText(second, 0xFFFF), "Still not.");
        SendMessageA(second, WM_COMMAND, IDOK, 0);  // the user reads it
        EXPECT_FALSE(IsWindow(second));
        port.ShowNotice("Once more.", "tikr");
        second = port.Notice();
    }
    EXPECT_FALSE(IsWindow(second));  // gone with its port
}

// Whether the notification area knows the window's icon: only a known
// icon takes a new tip.
bool TrayKnows(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = ui::TRAY_ICON_ID;
    data.uFlags = NIF_TIP;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

TEST(Win32TrayPort, AddsWhetherTheNotificationAreaKnowsTheIconOrNotAndRemovesOnEveryWayOut) {
    TemplateDialog owner(res::SchedulerDialogResource());
    ASSERT_NE(owner.hwnd, nullptr);
    {
        win32::Win32TrayPort tray(Instance(), owner.hwnd);
        ASSERT_TRUE(tray.TrayAdd("0 Task(s) Scheduled"));
        EXPECT_TRUE(TrayKnows(owner.hwnd));
        EXPECT_TRUE(tray.TrayModify("1 Task(s) Scheduled"));
        // A restart notice that came without a restart: the area still
        // knows the icon, and the add counts all the same.
        EXPECT_TRUE(tray.TrayAdd("1 Task(s) Scheduled"));
        EXPECT_TRUE(tray.Registered());

        // The area restarted and forgot the icon: the add registers it.
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = owner.hwnd;
        data.uID = ui::TRAY_ICON_ID;
        Shell_NotifyIconA(NIM_DELETE, &data);
        EXPECT_FALSE(TrayKnows(owner.hwnd));
        EXPECT_TRUE(tray.TrayAdd("1 Task(s) Scheduled"));
        EXPECT_TRUE(TrayKnows(owner.hwnd));

        EXPECT_TRUE(tray.TrayDelete());
        EXPECT_FALSE(TrayKnows(owner.hwnd));
        ASSERT_TRUE(tray.TrayAdd("2 Task(s) Scheduled"));
    }
    // The port went while its icon was still registered.
    EXPECT_FALSE(TrayKnows(owner.hwnd));
}

}  // namespace
}  // namespace tikr::test
