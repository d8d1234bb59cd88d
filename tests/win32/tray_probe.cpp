// Stands in for the desktop shell in the end-to-end test of tikr.exe's
// notification-area icon, from a process of its own as the shell is:
//   tray_probe window           prints the running Tikr's main window handle
//   tray_probe known HWND       exits 0 when the notification area knows the
//                               window's icon, 1 when it does not
//   tray_probe forget HWND      the area forgets the icon, as a restarted
//                               shell's area has
//   tray_probe restarted HWND   sends the window the shell's restart notice
//   tray_probe click HWND       a left button press on the icon
//   tray_probe foreground       prints the caption of the foreground window
//   tray_probe tips HWND        prints the text of each tooltip shown by the
//                               window's process, one a line
//   tray_probe tip HWND         rests the pointer on the first task line of
//                               the window and prints the tip that shows
//                               (nothing after ten seconds without one)
//   tray_probe balloons         prints each balloon tooltip shown on the
//                               screen: its handle, a blank and its text
//   tray_probe dismiss          closes every balloon shown, as a click does
//   tray_probe login            prints 1 when the main window's "Start at
//                               Login" box is checked, else 0
//   tray_probe history          prints the lines of the "Task History"
//                               window's list of runs (exit 1: no window)
// Exit status 2 for a bad call.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/win32_instance_guard.h"
#include "ui/res/resource_ids.h"
#include "ui/scheduler_dialog.h"
#include "ui/tray_port.h"

namespace {

NOTIFYICONDATAA IconOf(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = tikr::ui::TRAY_ICON_ID;
    return data;
}

struct TipSearch {
    DWORD process = 0;  // 0: balloons of any process
    std::string found;  // the text of the process's tip
    bool dismiss = false;
};

// Visible tooltip windows; their text comes with WM_GETTEXT, which the
// system carries across processes.
BOOL CALLBACK PrintTip(HWND tip, LPARAM searchAddress) {
    TipSearch& search = *reinterpret_cast<TipSearch*>(searchAddress);
    char name[32] = "";
    GetClassNameA(tip, name, sizeof(name));
    if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0 || !IsWindowVisible(tip)) return TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(tip, &process);
    const bool balloon = (GetWindowLongA(tip, GWL_STYLE) & TTS_BALLOON) != 0;
    char text[1024] = "";
    SendMessageTimeoutA(tip, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    if (search.process != 0 && process == search.process) search.found = text;
    if (search.process == 0 && balloon && search.dismiss) SendMessageA(tip, WM_CLOSE, 0, 0);
    else if (search.process == 0 && balloon)
        std::printf("%llu %s\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(tip)), text);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string command = argv[1];
    if (command == "window") {
        HWND window = FindWindowA(tikr::MAIN_WINDOW_CLASS, nullptr);
        if (window == nullptr) return 1;
        std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
        return 0;
    }
    if (command == "foreground") {
        char caption[256] = "";
        GetWindowTextA(GetForegroundWindow(), caption, sizeof(caption));
        std::printf("%s\n", caption);
        return 0;
    }
    if (command == "menu") {
        // Succeeds while a pop-up menu is on the screen (the system's menu
        // window class).
        HWND menu = FindWindowA("#32768", nullptr);
        return menu != nullptr && IsWindowVisible(menu) ? 0 : 1;
    }
    if (command == "login") {
        HWND window = FindWindowA(tikr::MAIN_WINDOW_CLASS, nullptr);
        if (window == nullptr) return 1;
        std::printf("%d\n", IsDlgButtonChecked(window, tikr::ui::res::IDC_START_AT_LOGIN) == BST_CHECKED ? 1 : 0);
        return 0;
    }
    if (command == "history") {
        HWND list = GetDlgItem(FindWindowA(nullptr, "Task History"), tikr::ui::res::IDC_HISTORY_LIST);
        if (list == nullptr) return 1;
        const auto lines = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < lines; ++i) {
            // As UTF-16, which the system carries across processes whole.
            wchar_t line[512] = L"";
            if (SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) >= 512) continue;
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line));
            char text[2048] = "";
            WideCharToMultiByte(CP_UTF8, 0, line, -1, text, sizeof(text), nullptr, nullptr);
            std::printf("%s\n", text);
        }
        return 0;
    }
    if (command == "balloons" || command == "dismiss") {
        TipSearch search;
        search.dismiss = command == "dismiss";
        EnumWindows(&PrintTip, reinterpret_cast<LPARAM>(&search));
        return 0;
    }
    if (argc < 3) return 2;
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(argv[2], nullptr, 10)));
    if (command == "tip") {
        HWND list = GetDlgItem(window, tikr::ui::res::IDC_TASK_LIST);
        RECT line{};
        if (list == nullptr || SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&line)) == LB_ERR)
            return 1;
        POINT at{line.left + 5, (line.top + line.bottom) / 2};
        ClientToScreen(list, &at);
        TipSearch search;
        GetWindowThreadProcessId(window, &search.process);
        for (int tries = 0; tries < 100 && search.found.empty(); ++tries) {
            // The pointer rests, nudged now and then in case a move was
            // missed.
            if (tries % 20 == 0) SetCursorPos(at.x + tries % 40 / 20, at.y);
            Sleep(100);
            EnumWindows(&PrintTip, reinterpret_cast<LPARAM>(&search));
        }
        std::printf("%s\n", search.found.c_str());
        return search.found.empty() ? 1 : 0;
    }
    NOTIFYICONDATAA data = IconOf(window);
    if (command == "known") {
        // A change of nothing succeeds only for an icon the area knows.
        return Shell_NotifyIconA(NIM_MODIFY, &data) ? 0 : 1;
    }
    if (command == "forget") return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
    if (command == "restarted") {
        SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        return 0;
    }
    if (command == "click") {
        PostMessageA(window, tikr::ui::TRAY_NOTIFY_MESSAGE, tikr::ui::TRAY_ICON_ID, WM_LBUTTONDOWN);
        return 0;
    }
    return 2;
}
