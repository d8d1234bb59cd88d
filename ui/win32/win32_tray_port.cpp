#include "ui/win32/win32_tray_port.h"

#include <shellapi.h>

#include "ui/scheduler_dialog.h"
#include "ui/win32/handles.h"

namespace tikr::win32 {

namespace {

constexpr int TRAY_ICON_SIZE = 16;

}  // namespace

Win32TrayPort::~Win32TrayPort() {
    if (registered) TrayDelete();
}

bool Win32TrayPort::Notify(DWORD command, UINT flags, const std::string& tip) {
    NOTIFYICONDATAA data{};
    // The record in its first form: window, id, flags, message, icon, tip.
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = ui::SCHEDULER_TIMER_ID;
    data.uFlags = flags;
    data.uCallbackMessage = ui::TRAY_NOTIFY_MESSAGE;
    // The shell keeps its own copy of the image, so ours goes right after.
    IconHandle icon;
    if (flags & NIF_ICON) {
        icon = LoadAppIcon(instance, TRAY_ICON_SIZE);
        data.hIcon = icon.get();
    }
    if (flags & NIF_TIP) lstrcpynA(data.szTip, tip.c_str(), static_cast<int>(sizeof(data.szTip)));
    return Shell_NotifyIconA(command, &data) != FALSE;
}

bool Win32TrayPort::TrayAdd(const std::string& tip) {
    lastTip = tip;
    registered = Notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP, tip);
    return registered;
}

bool Win32TrayPort::TrayModify(const std::string& tip) {
    lastTip = tip;
    const bool ok = Notify(NIM_MODIFY, NIF_TIP, tip);
    if (!ok) registered = false;
    return ok;
}

bool Win32TrayPort::TrayDelete() {
    registered = false;
    return Notify(NIM_DELETE, 0, {});
}

bool Win32TrayPort::TrayNotify(const std::string& /*title*/, const std::string& /*text*/) {
    return false;  // the balloon comes with the notification work
}

void Win32TrayPort::Restore() {
    if (registered) registered = Notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP, lastTip);
}

}  // namespace tikr::win32
