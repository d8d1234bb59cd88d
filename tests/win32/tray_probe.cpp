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
// Exit status 2 for a bad call.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/win32_instance_guard.h"
#include "ui/scheduler_dialog.h"

namespace {

NOTIFYICONDATAA IconOf(HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = tikr::ui::SCHEDULER_TIMER_ID;
    return data;
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
    if (argc < 3) return 2;
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(argv[2], nullptr, 10)));
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
        PostMessageA(window, tikr::ui::TRAY_NOTIFY_MESSAGE, tikr::ui::SCHEDULER_TIMER_ID, WM_LBUTTONDOWN);
        return 0;
    }
    return 2;
}
