#pragma once
// The main window's icon in the notification area, through the shell's
// notify-icon call: identity (window, TRAY_ICON_ID), callback message
// TRAY_NOTIFY_MESSAGE, the application icon at 16 x 16 pixels.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <string>

#include "ui/tray_port.h"

namespace tikr::win32 {

class Win32TrayPort : public ui::TrayPort {
public:
    Win32TrayPort(HINSTANCE instance, HWND window) : instance(instance), window(window) {}
    // An icon still registered is removed: no exit path leaves it behind.
    ~Win32TrayPort() override;
    Win32TrayPort(const Win32TrayPort&) = delete;
    Win32TrayPort& operator=(const Win32TrayPort&) = delete;

    bool TrayAdd(const std::string& tip) override;
    bool TrayModify(const std::string& tip) override;
    bool TrayDelete() override;
    bool TrayNotify(const std::string& title, const std::string& text) override;
    // Windows shows notifications only from a notification-area icon.
    bool DesktopNotify(const std::string&, const std::string&) override { return false; }

    bool Registered() const { return registered; }

private:
    bool Notify(DWORD command, UINT flags, const std::string& tip);

    HINSTANCE instance;
    HWND window;
    bool registered = false;
};

// The record of the balloon: the icon's identity, NIF_INFO with the title
// and text cut to their fields and the warning icon, in the record size
// that has those fields (the other calls keep the first form's size).
NOTIFYICONDATAA BalloonRecord(HWND window, const std::string& title, const std::string& text);

// The text's first characters that fit in maxBytes bytes (and before any
// zero character), never ending inside a character of the code page: a
// double-byte code page's pair or a UTF-8 sequence stays whole or goes.
std::string CutToBytes(const std::string& text, std::size_t maxBytes, UINT codePage = CP_ACP);

}  // namespace tikr::win32
